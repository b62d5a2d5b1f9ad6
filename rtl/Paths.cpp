#include "rtl/Paths.h"

#include <cstring>
#include <vector>

#include "rtl/Exceptions.h"
#include "winport/Files.h"

namespace {

bool IsDelimiter(char c) { return c != '\0' && std::strchr(PathDelimiters, c); }

DWORD Attributes(const std::string& name) {
  return name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(name.c_str());
}

}  // namespace

std::string ExpandFileName(const std::string& fileName) {
  std::vector<char> full(MAX_PATH);
  for (;;) {
    DWORD n = GetFullPathNameA(fileName.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n < full.size()) return std::string(full.data(), n);
    full.resize(n);
  }
}

std::string ExtractFilePath(const std::string& fileName) {
  size_t at = fileName.size();
  while (at > 0 && !IsDelimiter(fileName[at - 1])) --at;
  return fileName.substr(0, at);
}

bool FileExists(const std::string& fileName) {
  const DWORD attributes = Attributes(fileName);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& dir) {
  const DWORD attributes = Attributes(dir);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& dir) {
  if (dir.empty()) throw EInOutError(SCannotCreateDir);
  std::string path = dir;
  while (path.size() > 1 && IsDelimiter(path.back()) && path.back() != ':') path.pop_back();
  if (DirectoryExists(path)) return true;
  const std::string parent = ExtractFilePath(path);
  if (!parent.empty() && parent != path && !ForceDirectories(parent)) return false;
  return CreateDirectoryA(path.c_str(), nullptr) || DirectoryExists(path);
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  return !path.empty() && IsDelimiter(path.back()) && path.back() != ':' ? path : path + PathDelim;
}

// Grows the buffer rather than cut a long path short.
std::string GetModuleName(HMODULE module) {
  std::vector<char> name(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(module, name.data(), static_cast<DWORD>(name.size()));
    if (n < name.size()) return std::string(name.data(), n);
    name.resize(name.size() * 2);
  }
}
