// Test support: a fresh folder under $TMPDIR (or /tmp) for one test, removed
// with everything in it when the test ends, and small helpers for its files.
// Names on disk are UTF-8.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

class ScratchFolder {
 public:
  ScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvik-test-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::string operator/(const std::string& relative) const { return (FPath / relative).string(); }

  // Writes the file, making its folders.
  void Write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path = FPath / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  std::string Read(const std::string& relative) const {
    std::ifstream in(FPath / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path FPath;
};

// A UTF-8 literal as the bytes that name a file on disk.
inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }
