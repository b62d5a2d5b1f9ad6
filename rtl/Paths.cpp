#include "rtl/Paths.h"

#include <sys/stat.h>
#include <cerrno>
#include <unistd.h>

#include <vector>

#include "rtl/Exceptions.h"
#include "winport/Codepage.h"
#include "winport/Files.h"

namespace {

std::string CurrentDirectory() {
  std::string dir(256, '\0');
  while (!getcwd(dir.data(), dir.size())) {
    if (errno != ERANGE) return "/";
    dir.resize(dir.size() * 2);
  }
  return Utf8ToGbk(dir.c_str());
}

}  // namespace

std::string ExpandFileName(const std::string& fileName) {
  if (fileName.empty()) return {};
  const std::string path = fileName[0] == '/' ? fileName : CurrentDirectory() + "/" + fileName;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  std::string full;
  for (const std::string& part : parts) full += "/" + part;
  // A trailing delimiter names a folder and stays.
  if (full.empty() || (path.back() == '/' && full.back() != '/')) full += "/";
  return full;
}

std::string ExtractFilePath(const std::string& fileName) {
  size_t slash = fileName.rfind('/');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
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
  std::string path = dir;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (DirectoryExists(path)) return true;
  const std::string parent = ExtractFilePath(path);
  if (!parent.empty() && parent != path && !ForceDirectories(parent)) return false;
  return mkdir(NativeFileName(path.c_str()).c_str(), 0777) == 0 || DirectoryExists(path);
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  return !path.empty() && path.back() == '/' ? path : path + "/";
}
