#include "rtl/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "rtl/Exceptions.h"
#include "rtl/SysUtils.h"
#include "winport/Codepage.h"
#include "winport/Directories.h"
#include "winport/Files.h"

namespace {

constexpr char kDelimiter = '/';

// The current directory as the file system names it (UTF-8).
std::string NativeCurrentDirectory() {
  std::string dir(256, '\0');
  while (!getcwd(dir.data(), dir.size())) {
    if (errno != ERANGE) return "/";
    dir.resize(dir.size() * 2);
  }
  dir.resize(dir.find('\0'));
  return dir;
}

// The non-empty parts between delimiters.
std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> parts;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find(kDelimiter, start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The name without its trailing delimiters; the root stays the root.
std::string WithoutTrailingDelimiters(std::string path) {
  while (path.size() > 1 && path.back() == kDelimiter) path.pop_back();
  return path;
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == kDelimiter; }

}  // namespace

std::string ExpandFileName(const std::string& fileName) {
  if (fileName.empty()) return {};
  const std::string path =
      IsAbsolute(fileName) ? fileName : Utf8ToGbk(NativeCurrentDirectory()) + kDelimiter + fileName;
  std::vector<std::string> parts;
  for (std::string& part : Parts(path)) {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (part != ".") {
      parts.push_back(std::move(part));
    }
  }
  std::string full;
  for (const std::string& part : parts) full += kDelimiter + part;
  // A trailing delimiter names a folder and stays.
  if (full.empty() || (path.back() == kDelimiter && full.back() != kDelimiter)) full += kDelimiter;
  return full;
}

std::string ResolveFileName(const std::string& fileName) {
  if (fileName.empty()) return {};
  std::string native = NativeFileName(fileName.c_str());
  if (!IsAbsolute(native)) native = NativeCurrentDirectory() + kDelimiter + native;
  std::string resolved;  // "" stands for the root
  for (const std::string& part : Parts(native)) {
    if (part == ".") continue;
    if (part == "..") {
      const size_t slash = resolved.rfind(kDelimiter);
      resolved.erase(slash == std::string::npos ? 0 : slash);
      continue;
    }
    const std::string candidate = resolved + kDelimiter + part;
    struct stat st;
    if (lstat(candidate.c_str(), &st) != 0) {
      if (errno != ENOENT && errno != ENOTDIR) return {};
      resolved = candidate;  // not there yet: taken as text
    } else if (S_ISLNK(st.st_mode)) {
      char* real = realpath(candidate.c_str(), nullptr);
      if (!real) return {};
      resolved = real;
      std::free(real);
      if (resolved == "/") resolved.clear();
    } else {
      resolved = candidate;
    }
  }
  return Utf8ToGbk(resolved.empty() ? "/" : resolved);
}

bool FileNameTooLong(const std::string& fileName) {
  const std::string native = NativeFileName(fileName.c_str());
  if (native.size() >= PATH_MAX) return true;
  for (const std::string& part : Parts(native))
    if (part.size() > NAME_MAX) return true;
  return false;
}

std::string ExtractFilePath(const std::string& fileName) {
  const size_t slash = fileName.rfind(kDelimiter);
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& fileName) {
  const size_t slash = fileName.rfind(kDelimiter);
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string ExtractRelativePath(const std::string& baseName, const std::string& destName) {
  if (IsAbsolute(baseName) != IsAbsolute(destName)) return destName;
  const std::vector<std::string> base = Parts(ExtractFilePath(baseName));
  const std::vector<std::string> dest = Parts(ExtractFilePath(destName));
  size_t shared = 0;
  while (shared < base.size() && shared < dest.size() && SameText(base[shared], dest[shared])) ++shared;
  std::string relative;
  for (size_t i = shared; i < base.size(); ++i) relative += "../";
  for (size_t i = shared; i < dest.size(); ++i) relative += dest[i] + kDelimiter;
  return relative + ExtractFileName(destName);
}

bool FileExists(const std::string& fileName) {
  struct stat st;
  return !fileName.empty() && stat(NativeFileName(fileName.c_str()).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& dir) {
  struct stat st;
  return !dir.empty() && stat(NativeFileName(dir.c_str()).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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
  return !path.empty() && path.back() == kDelimiter ? path : path + kDelimiter;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
  return !path.empty() && path.back() == kDelimiter ? path.substr(0, path.size() - 1) : path;
}
