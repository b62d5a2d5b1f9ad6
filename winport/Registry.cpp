#include "winport/Registry.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

#include "winport/Codepage.h"
#include "winport/RegistryStore.h"

// An open key: its directory and the access it was opened with.
struct HKEY__ {
  std::string Dir;
  REGSAM Access;
};

namespace {

// Open keys, so that a stale or foreign handle is refused instead of followed.
std::mutex openKeysLock;
std::unordered_set<HKEY> openKeys;

const char* RootKeyName(HKEY key) {
  switch (reinterpret_cast<uintptr_t>(key)) {
    case 0x80000000: return "HKEY_CLASSES_ROOT";
    case 0x80000001: return "HKEY_CURRENT_USER";
    case 0x80000002: return "HKEY_LOCAL_MACHINE";
    case 0x80000003: return "HKEY_USERS";
    case 0x80000005: return "HKEY_CURRENT_CONFIG";
    default: return nullptr;
  }
}

// The directory and granted access of an open or predefined key. A root key
// grants everything; the file system decides.
LONG Resolve(HKEY key, std::string& dir, REGSAM& access) {
  if (const char* root = RootKeyName(key)) {
    dir = RootKeyDirectory(root);
    access = KEY_ALL_ACCESS;
    return ERROR_SUCCESS;
  }
  std::lock_guard lock(openKeysLock);
  if (!openKeys.count(key)) return ERROR_INVALID_HANDLE;
  dir = key->Dir;
  access = key->Access;
  return ERROR_SUCCESS;
}

// Resolves a key for an operation that needs `needed` access on its handle.
LONG ResolveFor(HKEY key, REGSAM needed, std::string& dir) {
  REGSAM access;
  LONG rc = Resolve(key, dir, access);
  if (rc == ERROR_SUCCESS && (access & needed) != needed) rc = ERROR_ACCESS_DENIED;
  return rc;
}

// Reading values needs the values file readable; listing sub-keys or watching
// the key needs the directory readable; changing anything needs it writable.
LONG CheckDesiredAccess(const std::string& dir, REGSAM desired) {
  int mode = 0;
  if (desired & (KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY)) mode |= R_OK;
  if (desired & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER))
    mode |= W_OK;
  return CheckRegKeyAccess(dir, mode, desired & KEY_QUERY_VALUE);
}

HKEY NewHandle(std::string dir, REGSAM access) {
  HKEY key = new HKEY__{std::move(dir), access};
  std::lock_guard lock(openKeysLock);
  openKeys.insert(key);
  return key;
}

FILETIME LastWriteTime(const std::string& dir) {
  struct stat st {};
  stat(dir.c_str(), &st);
  // 100-nanosecond intervals since 1 January 1601.
  uint64_t t = (static_cast<uint64_t>(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
               static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
  return {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
}

std::string NameOf(LPCSTR gbk) { return gbk ? GbkToUtf8(gbk) : std::string(); }

// Text values go out in GBK, as the A-calls convert.
std::string AnsiData(const RegValue& v) { return IsRegTextType(v.Type) ? Utf8ToGbk(v.Data) : v.Data; }

template <class T>
void Put(T* target, T value) {
  if (target) *target = value;
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::string base, found;
  REGSAM granted;
  LONG rc = Resolve(key, base, granted);
  if (rc == ERROR_SUCCESS) rc = FindRegKey(base, NameOf(subKey), found);
  if (rc == ERROR_SUCCESS) rc = CheckDesiredAccess(found, desired);
  if (rc != ERROR_SUCCESS) return rc;
  *result = NewHandle(std::move(found), desired);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired, void*, PHKEY result,
                     DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::string base, found;
  bool isNew = false;
  LONG rc = ResolveFor(key, KEY_CREATE_SUB_KEY, base);
  if (rc == ERROR_SUCCESS) rc = CreateRegKey(base, NameOf(subKey), found, isNew);
  if (rc == ERROR_SUCCESS) rc = CheckDesiredAccess(found, desired);
  if (rc != ERROR_SUCCESS) return rc;
  *result = NewHandle(std::move(found), desired);
  Put(disposition, isNew ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (RootKeyName(key)) return ERROR_SUCCESS;
  {
    std::lock_guard lock(openKeysLock);
    if (!openKeys.erase(key)) return ERROR_INVALID_HANDLE;
  }
  delete key;
  return ERROR_SUCCESS;
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, DWORD* nameChars, DWORD*, LPSTR keyClass, DWORD* classChars,
                   FILETIME* lastWrite) {
  if (!name || !nameChars) return ERROR_INVALID_PARAMETER;
  std::string dir;
  std::vector<std::string> names;
  LONG rc = ResolveFor(key, KEY_ENUMERATE_SUB_KEYS, dir);
  if (rc == ERROR_SUCCESS) rc = ListRegSubKeys(dir, names);
  if (rc != ERROR_SUCCESS) return rc;
  if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
  std::string gbk = Utf8ToGbk(names[index]);
  if (*nameChars <= gbk.size()) return ERROR_MORE_DATA;
  std::memcpy(name, gbk.c_str(), gbk.size() + 1);
  *nameChars = static_cast<DWORD>(gbk.size());
  if (keyClass && classChars && *classChars > 0) *keyClass = '\0';
  Put(classChars, DWORD{0});
  if (lastWrite) {
    std::string child;
    if (FindRegKey(dir, names[index], child) == ERROR_SUCCESS) *lastWrite = LastWriteTime(child);
  }
  return ERROR_SUCCESS;
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, DWORD* classChars, DWORD*, DWORD* subKeys, DWORD* maxSubKeyLen,
                      DWORD* maxClassLen, DWORD* values, DWORD* maxValueNameLen, DWORD* maxValueLen,
                      DWORD* securityDescriptor, FILETIME* lastWrite) {
  std::string dir;
  std::vector<std::string> names;
  std::vector<RegValue> stored;
  LONG rc = ResolveFor(key, KEY_QUERY_VALUE, dir);
  if (rc == ERROR_SUCCESS) rc = ListRegSubKeys(dir, names);
  if (rc == ERROR_SUCCESS) rc = ReadRegValues(dir, stored);
  if (rc != ERROR_SUCCESS) return rc;
  DWORD longestKey = 0, longestValueName = 0, longestData = 0;
  for (const std::string& n : names) longestKey = std::max(longestKey, static_cast<DWORD>(Utf8ToGbk(n).size()));
  for (const RegValue& v : stored) {
    longestValueName = std::max(longestValueName, static_cast<DWORD>(Utf8ToGbk(v.Name).size()));
    longestData = std::max(longestData, static_cast<DWORD>(AnsiData(v).size()));
  }
  if (keyClass && classChars && *classChars > 0) *keyClass = '\0';
  Put(classChars, DWORD{0});
  Put(subKeys, static_cast<DWORD>(names.size()));
  Put(maxSubKeyLen, longestKey);
  Put(maxClassLen, DWORD{0});
  Put(values, static_cast<DWORD>(stored.size()));
  Put(maxValueNameLen, longestValueName);
  Put(maxValueLen, longestData);
  Put(securityDescriptor, DWORD{0});
  Put(lastWrite, LastWriteTime(dir));
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD*, DWORD* type, BYTE* data, DWORD* dataSize) {
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  std::string dir;
  std::vector<RegValue> stored;
  LONG rc = ResolveFor(key, KEY_QUERY_VALUE, dir);
  if (rc == ERROR_SUCCESS) rc = ReadRegValues(dir, stored);
  if (rc != ERROR_SUCCESS) return rc;
  const RegValue* v = FindRegValue(stored, NameOf(valueName));
  if (!v) return ERROR_FILE_NOT_FOUND;
  std::string bytes = AnsiData(*v);
  Put(type, v->Type);
  if (data) {
    if (*dataSize < bytes.size()) {
      *dataSize = static_cast<DWORD>(bytes.size());
      return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), bytes.size());
  }
  Put(dataSize, static_cast<DWORD>(bytes.size()));
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  if (!data && dataSize) return ERROR_INVALID_PARAMETER;
  std::string dir;
  LONG rc = ResolveFor(key, KEY_SET_VALUE, dir);
  if (rc != ERROR_SUCCESS) return rc;
  std::string bytes = data ? std::string(reinterpret_cast<const char*>(data), dataSize) : std::string();
  RegValue value{NameOf(valueName), type, IsRegTextType(type) ? GbkToUtf8(bytes) : bytes};
  return ChangeRegValues(dir, [&](std::vector<RegValue>& stored) { return PutRegValue(stored, std::move(value)); });
}
