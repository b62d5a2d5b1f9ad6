// Test support: a fresh folder under the system's temporary folder, removed
// again with everything in it. Its path is plain ASCII on every platform.
#pragma once

#include <filesystem>
#include <random>
#include <string>

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix) {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
      std::filesystem::path dir = base / (prefix + "-" + std::to_string(random()));
      if (std::filesystem::create_directory(dir)) {
        FPath = dir.string();
        return;
      }
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};
