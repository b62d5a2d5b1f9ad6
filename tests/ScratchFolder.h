// Test support: a fresh folder under the system's temporary folder ($TMPDIR or
// /tmp on POSIX) for one test, removed with everything in it when the test
// ends, and small helpers for its files. Its own path is plain ASCII on every
// platform; the names below it that the helpers take and give are UTF-8.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
      std::filesystem::path dir = base / ("tarvik-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(dir)) {
        FPath = dir;
        return;
      }
    }
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::string operator/(const std::string& relative) const {
    const std::u8string path = (FPath / Native(relative)).u8string();
    return std::string(path.begin(), path.end());
  }

  // Writes the file, making its folders.
  void Write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path = FPath / Native(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  std::string Read(const std::string& relative) const {
    std::ifstream in(FPath / Native(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  static std::filesystem::path Native(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
  }

  std::filesystem::path FPath;
};

// A UTF-8 literal as the bytes that name a file on disk.
inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }
