// How the POSIX file system sees a name: links followed with lstat and
// realpath, limits from <climits>. Names on disk are UTF-8.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "rtl/Paths.h"
#include "winport/Codepage.h"
#include "winport/Files.h"

namespace {

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
std::vector<std::string> NativeParts(const std::string& path) {
  std::vector<std::string> parts;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::string ResolveFileName(const std::string& fileName) {
  if (fileName.empty()) return {};
  std::string native = NativeFileName(fileName.c_str());
  if (native[0] != '/') native = NativeCurrentDirectory() + '/' + native;
  std::string resolved;  // "" stands for the root
  for (const std::string& part : NativeParts(native)) {
    if (part == ".") continue;
    if (part == "..") {
      const size_t slash = resolved.rfind('/');
      resolved.erase(slash == std::string::npos ? 0 : slash);
      continue;
    }
    const std::string candidate = resolved + '/' + part;
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
  for (const std::string& part : NativeParts(native))
    if (part.size() > NAME_MAX) return true;
  return false;
}
