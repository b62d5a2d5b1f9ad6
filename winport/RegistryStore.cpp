#include "winport/RegistryStore.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "winport/Codepage.h"
#include "winport/Errors.h"
#include "winport/Locale.h"
#include "winport/Registry.h"

namespace {

constexpr const char* kValuesFile = "/.values";

LONG LastErrno() { return static_cast<LONG>(ErrnoToWinError(errno)); }

std::string EscapeKeyName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c == '%' || c == '/' || (i == 0 && c == '.')) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string UnescapeKeyName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    int hi, lo;
    if (name[i] == '%' && i + 2 < name.size() && (hi = HexValue(name[i + 1])) >= 0 && (lo = HexValue(name[i + 2])) >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += name[i];
    }
  }
  return out;
}

// Names compare as the locale does, without case; the locale works on GBK.
int CompareNames(const std::string& gbk1, const std::string& gbk2) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, gbk1.data(), static_cast<int>(gbk1.size()),
                        gbk2.data(), static_cast<int>(gbk2.size()));
}

bool SameName(std::string_view utf8a, std::string_view utf8b) {
  return CompareNames(Utf8ToGbk(utf8a), Utf8ToGbk(utf8b)) == CSTR_EQUAL;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// Calls `visit` with each sub-key directory's stored name until it answers true.
template <class Visit>
LONG ForEachSubKey(const std::string& dir, Visit visit) {
  DIR* d = opendir(dir.c_str());
  if (!d) return LastErrno();
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (e->d_type != DT_DIR && !(e->d_type == DT_UNKNOWN && IsDirectory(dir + "/" + e->d_name))) continue;
    if (visit(std::string_view(e->d_name))) break;
  }
  closedir(d);
  return ERROR_SUCCESS;
}

// The sub-key directory of `dir` whose name equals `name` without case. The
// exact spelling needs no listing, so a key that is traversable but not
// readable still opens by its exact name.
LONG FindChild(const std::string& dir, std::string_view name, std::string& found) {
  std::string exact = dir + "/" + EscapeKeyName(name);
  struct stat st;
  if (stat(exact.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
    found = exact;
    return ERROR_SUCCESS;
  }
  if (errno != ENOENT) return LastErrno();
  found.clear();
  LONG rc = ForEachSubKey(dir, [&](std::string_view stored) {
    if (!SameName(UnescapeKeyName(stored), name)) return false;
    found = dir + "/" + std::string(stored);
    return true;
  });
  if (rc == ERROR_ACCESS_DENIED || (rc == ERROR_SUCCESS && found.empty())) return ERROR_FILE_NOT_FOUND;
  return rc;
}

LONG MakeDirectories(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return ec ? static_cast<LONG>(ErrnoToWinError(ec.value())) : ERROR_SUCCESS;
}

LONG WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastErrno();
    }
    done += static_cast<size_t>(n);
  }
  return ERROR_SUCCESS;
}

}  // namespace

std::string RegistryRoot() {
  const char* root = std::getenv("WINPORT_REGISTRY");
  return root && *root ? root : "/var/lib/winport/registry";
}

std::string RootKeyDirectory(std::string_view rootName) {
  static const char* const kRoots[][2] = {{"HKEY_CLASSES_ROOT", "HKCR"},
                                          {"HKEY_CURRENT_USER", "HKCU"},
                                          {"HKEY_LOCAL_MACHINE", "HKLM"},
                                          {"HKEY_USERS", "HKU"},
                                          {"HKEY_CURRENT_CONFIG", "HKCC"}};
  std::string name(rootName);
  for (const auto& root : kRoots)
    if (strcasecmp(name.c_str(), root[0]) == 0 || strcasecmp(name.c_str(), root[1]) == 0)
      return RegistryRoot() + "/" + root[0];
  return "";
}

LONG FindRegKey(const std::string& dir, std::string_view path, std::string& found) {
  if (!IsDirectory(dir)) return ERROR_FILE_NOT_FOUND;
  std::string current = dir;
  for (std::string_view name : SplitKeyPath(path)) {
    std::string child;
    LONG rc = FindChild(current, name, child);
    if (rc != ERROR_SUCCESS) return rc;
    current = std::move(child);
  }
  found = current;
  return ERROR_SUCCESS;
}

LONG CreateRegKey(const std::string& dir, std::string_view path, std::string& found, bool& isNew) {
  isNew = false;
  if (!IsDirectory(dir)) {
    if (LONG rc = MakeDirectories(dir); rc != ERROR_SUCCESS) return rc;
  }
  std::string current = dir;
  for (std::string_view name : SplitKeyPath(path)) {
    std::string child;
    LONG rc = FindChild(current, name, child);
    isNew = false;
    if (rc == ERROR_FILE_NOT_FOUND) {
      child = current + "/" + EscapeKeyName(name);
      if (mkdir(child.c_str(), 0777) == 0) {
        isNew = true;
        rc = ERROR_SUCCESS;
      } else {
        rc = errno == EEXIST ? FindChild(current, name, child) : LastErrno();
      }
    }
    if (rc != ERROR_SUCCESS) return rc;
    current = child;
  }
  found = current;
  return ERROR_SUCCESS;
}

LONG DeleteRegKeyTree(const std::string& dir) {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return ec ? static_cast<LONG>(ErrnoToWinError(ec.value())) : ERROR_SUCCESS;
}

LONG ListRegSubKeys(const std::string& dir, std::vector<std::string>& names) {
  struct Name {
    std::string Utf8, Gbk;
  };
  std::vector<Name> found;
  LONG rc = ForEachSubKey(dir, [&](std::string_view stored) {
    std::string name = UnescapeKeyName(stored);
    found.push_back({name, Utf8ToGbk(name)});
    return false;
  });
  if (rc != ERROR_SUCCESS) return rc;
  std::sort(found.begin(), found.end(),
            [](const Name& a, const Name& b) { return CompareNames(a.Gbk, b.Gbk) == CSTR_LESS_THAN; });
  names.clear();
  for (Name& n : found) names.push_back(std::move(n.Utf8));
  return ERROR_SUCCESS;
}

std::string RegKeyName(const std::string& dir) { return UnescapeKeyName(dir.substr(dir.rfind('/') + 1)); }

LONG ReadRegValues(const std::string& dir, std::vector<RegValue>& values) {
  values.clear();
  FILE* f = std::fopen((dir + kValuesFile).c_str(), "rb");
  if (!f) return errno == ENOENT ? (IsDirectory(dir) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND) : LastErrno();
  std::string text;
  char buf[4096];
  while (size_t n = std::fread(buf, 1, sizeof buf, f)) text.append(buf, n);
  bool failed = std::ferror(f);
  std::fclose(f);
  if (failed) return ERROR_REGISTRY_CORRUPT;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    RegValue value;
    bool deletes;
    std::string error;
    if (!ParseRegValue(line, value, deletes, error) || deletes) return ERROR_REGISTRY_CORRUPT;
    values.push_back(std::move(value));
  }
  return ERROR_SUCCESS;
}

LONG WriteRegValues(const std::string& dir, const std::vector<RegValue>& values) {
  std::string file = dir + kValuesFile;
  if (values.empty()) return unlink(file.c_str()) == 0 || errno == ENOENT ? ERROR_SUCCESS : LastErrno();
  std::string text;
  for (const RegValue& v : values) text += FormatRegValue(v) + "\n";
  // A new file under a name of its own, renamed over the old one: readers see
  // the old values or the new ones, never half of them.
  static std::atomic<unsigned> counter{0};
  std::string temp = file + "." + std::to_string(getpid()) + "." + std::to_string(counter++);
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return LastErrno();
  LONG rc = WriteAll(fd, text);
  if (close(fd) != 0 && rc == ERROR_SUCCESS) rc = LastErrno();
  if (rc == ERROR_SUCCESS && rename(temp.c_str(), file.c_str()) != 0) rc = LastErrno();
  if (rc != ERROR_SUCCESS) unlink(temp.c_str());
  return rc;
}

RegValue* FindRegValue(std::vector<RegValue>& values, std::string_view name) {
  for (RegValue& v : values)
    if (SameName(v.Name, name)) return &v;
  return nullptr;
}

void PutRegValue(std::vector<RegValue>& values, RegValue value) {
  if (RegValue* old = FindRegValue(values, value.Name)) {
    old->Type = value.Type;
    old->Data = std::move(value.Data);
  } else {
    values.push_back(std::move(value));
  }
}

LONG CheckRegKeyAccess(const std::string& dir, int dirMode, bool readValues) {
  if (faccessat(AT_FDCWD, dir.c_str(), dirMode | X_OK, AT_EACCESS) != 0) return LastErrno();
  if (readValues && faccessat(AT_FDCWD, (dir + kValuesFile).c_str(), R_OK, AT_EACCESS) != 0 && errno != ENOENT)
    return LastErrno();
  return ERROR_SUCCESS;
}
