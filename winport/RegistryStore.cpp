#include "winport/RegistryStore.h"

#include <algorithm>
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
#include "winport/RegistryLock.h"

namespace {

constexpr const char* kValuesFile = "/.values";
constexpr const char* kNewValuesFile = "/.values.new";
// A deleted key's folder while its contents go; a leftover (the deleting
// process died) goes with the next deletion beside it.
constexpr const char* kDeletingFolder = "/.deleting";

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
int CompareNames(std::string_view gbk1, std::string_view gbk2) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, gbk1.data(), static_cast<int>(gbk1.size()),
                        gbk2.data(), static_cast<int>(gbk2.size()));
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// ASCII is its own GBK form, and nearly every name is ASCII. A name with a
// character that GBK lacks keeps that character's UTF-8 bytes in its GBK
// form, where they read as other characters: such a name matches only itself.
bool SameName(std::string_view utf8a, std::string_view utf8b) {
  if (utf8a == utf8b) return true;
  if (IsAscii(utf8a) && IsAscii(utf8b)) return CompareNames(utf8a, utf8b) == CSTR_EQUAL;
  const std::string a = Utf8ToGbk(utf8a), b = Utf8ToGbk(utf8b);
  return CompareNames(a, b) == CSTR_EQUAL && GbkToUtf8(a) == utf8a && GbkToUtf8(b) == utf8b;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

LONG SplitKeyPath(std::string_view path, std::vector<std::string_view>& names) {
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view name = path.substr(start, end - start);
    if (!name.empty() && !IsRegKeyName(name)) return ERROR_INVALID_PARAMETER;
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

// Calls `visit` with each sub-key directory's stored name and key name until
// it answers true. A folder whose name unescapes to no key's name (one made
// by hand, "a%5Cb" say) is no key: listed, it would name another.
template <class Visit>
LONG ForEachSubKey(const std::string& dir, Visit visit) {
  DIR* d = opendir(dir.c_str());
  if (!d) return LastErrno();
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (e->d_type != DT_DIR && !(e->d_type == DT_UNKNOWN && IsDirectory(dir + "/" + e->d_name))) continue;
    const std::string name = UnescapeKeyName(e->d_name);
    if (!IsRegKeyName(name)) continue;
    if (visit(std::string_view(e->d_name), name)) break;
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
  LONG rc = ForEachSubKey(dir, [&](std::string_view stored, const std::string& storedName) {
    if (!SameName(storedName, name)) return false;
    found = dir + "/" + std::string(stored);
    return true;
  });
  if (rc == ERROR_ACCESS_DENIED || (rc == ERROR_SUCCESS && found.empty())) return ERROR_FILE_NOT_FOUND;
  return rc;
}

// Makes a folder's entries durable: what was created, renamed or removed in it.
LONG SyncFolder(const std::string& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return LastErrno();
  LONG rc = fsync(fd) == 0 ? ERROR_SUCCESS : LastErrno();
  close(fd);
  return rc;
}

LONG MakeFolder(const std::string& dir) {
  if (mkdir(dir.c_str(), 0777) != 0) return LastErrno();
  return SyncFolder(ParentFolder(dir));
}

// A root key's folder with the folders above it.
LONG MakeFolders(const std::string& dir) {
  for (size_t end = dir.find('/', 1);; end = dir.find('/', end + 1)) {
    const std::string folder = dir.substr(0, end);
    if (LONG rc = MakeFolder(folder); rc != ERROR_SUCCESS && !IsDirectory(folder)) return rc;
    if (end == std::string::npos) return ERROR_SUCCESS;
  }
}

// Makes the sub-key `name` of `dir` unless another has made it meanwhile:
// under the parent's lock, so that two keys whose names differ only in case
// never arise.
LONG MakeChild(const std::string& dir, std::string_view name, std::string& child, bool& isNew) {
  RegKeyLock lock;
  LONG rc = lock.Lock(dir, RegKeyLock::Exclusive);
  if (rc == ERROR_SUCCESS) rc = FindChild(dir, name, child);
  if (rc != ERROR_FILE_NOT_FOUND) return rc;
  child = dir + "/" + EscapeKeyName(name);
  rc = MakeFolder(child);
  isNew = rc == ERROR_SUCCESS;
  return rc;
}

// Whether the process may empty and remove every folder of the tree, so that
// a deletion is refused before anything goes rather than stopping half-way.
LONG CheckTreeRemovable(const std::string& dir) {
  constexpr int kMode = R_OK | W_OK | X_OK;
  if (faccessat(AT_FDCWD, dir.c_str(), kMode, AT_EACCESS) != 0) return LastErrno();
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_directory(ec) && faccessat(AT_FDCWD, it->path().c_str(), kMode, AT_EACCESS) != 0) return LastErrno();
  return ec ? static_cast<LONG>(ErrnoToWinError(ec.value())) : ERROR_SUCCESS;
}

LONG ReadValuesFile(const std::string& dir, std::vector<RegValue>& values) {
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

// A new file, flushed, renamed over the old one: readers and a restart after
// a crash or a power loss see the old values or the new ones, never part of
// them. The caller holds the key's exclusive lock, so the new file's name is
// its alone.
LONG WriteValuesFile(const std::string& dir, const std::vector<RegValue>& values) {
  const std::string file = dir + kValuesFile;
  if (values.empty()) return unlink(file.c_str()) == 0 ? SyncFolder(dir) : errno == ENOENT ? ERROR_SUCCESS : LastErrno();
  std::string text;
  for (const RegValue& v : values) text += FormatRegValue(v) + "\n";
  const std::string temp = dir + kNewValuesFile;
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return LastErrno();
  LONG rc = WriteAll(fd, text);
  if (rc == ERROR_SUCCESS && fsync(fd) != 0) rc = LastErrno();
  if (close(fd) != 0 && rc == ERROR_SUCCESS) rc = LastErrno();
  if (rc == ERROR_SUCCESS && rename(temp.c_str(), file.c_str()) != 0) rc = LastErrno();
  if (rc != ERROR_SUCCESS) {
    unlink(temp.c_str());
    return rc;
  }
  return SyncFolder(dir);
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

bool IsRegKeyName(std::string_view name) {
  return !name.empty() && name.find_first_of(std::string_view("\0\\", 2)) == std::string_view::npos;
}

bool IsRegValueName(std::string_view name) {
  return name.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

LONG FindRegKey(const std::string& dir, std::string_view path, std::string& found) {
  std::vector<std::string_view> names;
  if (LONG rc = SplitKeyPath(path, names); rc != ERROR_SUCCESS) return rc;
  if (!IsDirectory(dir)) return ERROR_FILE_NOT_FOUND;
  std::string current = dir;
  for (std::string_view name : names) {
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
  std::vector<std::string_view> names;
  if (LONG rc = SplitKeyPath(path, names); rc != ERROR_SUCCESS) return rc;
  if (!IsDirectory(dir)) {
    if (LONG rc = MakeFolders(dir); rc != ERROR_SUCCESS) return rc;
  }
  std::string current = dir;
  for (std::string_view name : names) {
    std::string child;
    isNew = false;
    LONG rc = FindChild(current, name, child);
    if (rc == ERROR_FILE_NOT_FOUND) rc = MakeChild(current, name, child, isNew);
    if (rc != ERROR_SUCCESS) return rc;
    current = std::move(child);
  }
  found = current;
  return ERROR_SUCCESS;
}

LONG DeleteRegKeyTree(const std::string& dir) {
  // Key folders as the store names them: no NUL, no trailing separator.
  if (dir.empty() || dir.back() == '/' || dir.find('\0') != std::string::npos) return ERROR_INVALID_PARAMETER;
  if (dir == RootKeyDirectory(RegKeyName(dir))) return ERROR_ACCESS_DENIED;
  const std::string parent = ParentFolder(dir);
  RegKeyLock lock;
  LONG rc = lock.Lock(parent, RegKeyLock::Exclusive);
  if (rc == ERROR_SUCCESS) rc = CheckTreeRemovable(dir);
  if (rc != ERROR_SUCCESS) return rc;
  // Renamed out of the key namespace first: the key goes at once, and a
  // deletion cut short leaves no half of it behind.
  const std::string doomed = parent + kDeletingFolder;
  std::error_code ec;
  std::filesystem::remove_all(doomed, ec);
  if (ec) return static_cast<LONG>(ErrnoToWinError(ec.value()));
  if (rename(dir.c_str(), doomed.c_str()) != 0) return LastErrno();
  rc = SyncFolder(parent);
  std::filesystem::remove_all(doomed, ec);
  return rc;
}

LONG ListRegSubKeys(const std::string& dir, std::vector<std::string>& names) {
  struct Name {
    std::string Utf8, Gbk;
  };
  std::vector<Name> found;
  RegKeyLock lock;
  LONG rc = lock.Lock(dir, RegKeyLock::Shared);
  if (rc == ERROR_SUCCESS)
    rc = ForEachSubKey(dir, [&](std::string_view, const std::string& name) {
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
  RegKeyLock lock;
  LONG rc = lock.Lock(dir, RegKeyLock::Shared);
  return rc == ERROR_SUCCESS ? ReadValuesFile(dir, values) : rc;
}

LONG ChangeRegValues(const std::string& dir, const std::function<LONG(std::vector<RegValue>&)>& change) {
  RegKeyLock lock;
  std::vector<RegValue> values;
  LONG rc = lock.Lock(dir, RegKeyLock::Exclusive);
  if (rc == ERROR_SUCCESS) rc = ReadValuesFile(dir, values);
  if (rc == ERROR_SUCCESS) rc = change(values);
  return rc == ERROR_SUCCESS ? WriteValuesFile(dir, values) : rc;
}

RegValue* FindRegValue(std::vector<RegValue>& values, std::string_view name) {
  for (RegValue& v : values)
    if (SameName(v.Name, name)) return &v;
  return nullptr;
}

LONG PutRegValue(std::vector<RegValue>& values, RegValue value) {
  if (!IsRegValueName(value.Name)) return ERROR_INVALID_PARAMETER;
  if (RegValue* old = FindRegValue(values, value.Name)) {
    old->Type = value.Type;
    old->Data = std::move(value.Data);
  } else {
    values.push_back(std::move(value));
  }
  return ERROR_SUCCESS;
}

LONG CheckRegKeyAccess(const std::string& dir, int dirMode, bool readValues) {
  if (faccessat(AT_FDCWD, dir.c_str(), dirMode | X_OK, AT_EACCESS) != 0) return LastErrno();
  if (readValues && faccessat(AT_FDCWD, (dir + kValuesFile).c_str(), R_OK, AT_EACCESS) != 0 && errno != ENOENT)
    return LastErrno();
  return ERROR_SUCCESS;
}
