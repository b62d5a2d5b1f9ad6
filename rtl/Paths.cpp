// The file-name helpers that both platforms share; Paths_posix.cpp and
// Paths_windows.cpp ask the file system how it sees a name.
#include "rtl/Paths.h"

#include <cstring>
#include <vector>

#include "rtl/Exceptions.h"
#include "rtl/SysUtils.h"
#include "winport/Directories.h"
#include "winport/Files.h"

namespace {

bool IsDelimiter(char c) { return c != '\0' && std::strchr(PathDelimiters, c); }

// Where the name after the last delimiter starts, walking whole characters:
// "\" is also the second byte of some double-byte characters.
size_t AfterLastDelimiter(const std::string& path) {
  size_t after = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(path[i]) && i + 1 < path.size())
      ++i;
    else if (IsDelimiter(path[i]))
      after = i + 1;
  }
  return after;
}

// A drive's colon ends a folder name but is no delimiter to drop or add.
bool EndsInDelimiter(const std::string& path) {
  return !path.empty() && path.back() != ':' && AfterLastDelimiter(path) == path.size();
}

DWORD Attributes(const std::string& name) {
  return name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(name.c_str());
}

// Where an absolute name starts: "/" on POSIX; on Windows a drive ("C:"),
// a leading delimiter, or both. "" for a relative name.
std::string RootOf(const std::string& path) {
  size_t n = 0;
  if (PathDelim == '\\' && path.size() >= 2 && path[1] == ':') n = 2;
  if (n < path.size() && IsDelimiter(path[n])) ++n;
  std::string root = path.substr(0, n);
  for (char& c : root)
    if (IsDelimiter(c) && c != ':') c = PathDelim;
  return root;
}

// The non-empty folder and file names after the root.
std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = RootOf(path).size(); i <= path.size(); ++i) {
    if (i == path.size() || IsDelimiter(path[i])) {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part += path[i];
      if (IsLeadByte(path[i]) && i + 1 < path.size()) part += path[++i];
    }
  }
  return parts;
}

std::string WithoutTrailingDelimiters(std::string path) {
  while (path.size() > 1 && EndsInDelimiter(path)) path.pop_back();
  return path;
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

std::string ExtractFilePath(const std::string& fileName) { return fileName.substr(0, AfterLastDelimiter(fileName)); }

std::string ExtractFileName(const std::string& fileName) { return fileName.substr(ExtractFilePath(fileName).size()); }

std::string ExtractRelativePath(const std::string& baseName, const std::string& destName) {
  if (!SameText(RootOf(baseName), RootOf(destName))) return destName;
  const std::vector<std::string> base = Parts(ExtractFilePath(baseName));
  const std::vector<std::string> dest = Parts(ExtractFilePath(destName));
  size_t shared = 0;
  while (shared < base.size() && shared < dest.size() && SameText(base[shared], dest[shared])) ++shared;
  std::string relative;
  for (size_t i = shared; i < base.size(); ++i) relative += std::string("..") + PathDelim;
  for (size_t i = shared; i < dest.size(); ++i) relative += dest[i] + PathDelim;
  return relative + ExtractFileName(destName);
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
  std::vector<std::string> missing;
  for (std::string path = WithoutTrailingDelimiters(dir); !path.empty() && !DirectoryExists(path);
       path = WithoutTrailingDelimiters(ExtractFilePath(path)))
    missing.push_back(path);
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (!CreateDirectoryA(it->c_str(), nullptr) && !DirectoryExists(*it)) return false;
  return true;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  return EndsInDelimiter(path) ? path : path + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
  return EndsInDelimiter(path) ? path.substr(0, path.size() - 1) : path;
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
