#include "rtl/Registry.h"

#include <cstring>

#include "rtl/Exceptions.h"
#include "rtl/Format.h"

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY key) {
  CloseKey();
  FRootKey = key;
}

bool TRegistry::OpenWith(const std::string& key, REGSAM access, bool canCreate) {
  const bool relative = key.empty() || key[0] != '\\';
  const std::string path = relative ? key : key.substr(1);
  HKEY base = relative && FCurrentKey ? FCurrentKey : FRootKey;
  HKEY opened = nullptr;
  LONG rc = canCreate && !path.empty()
                ? RegCreateKeyExA(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &opened,
                                  nullptr)
                : RegOpenKeyExA(base, path.c_str(), 0, access, &opened);
  if (rc != ERROR_SUCCESS) return false;
  CloseKey();
  FCurrentKey = opened;
  return true;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) { return OpenWith(key, KEY_ALL_ACCESS, canCreate); }

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  for (REGSAM access : {REGSAM{KEY_READ}, REGSAM{KEY_READ & ~KEY_NOTIFY}, REGSAM{KEY_QUERY_VALUE}})
    if (OpenWith(key, access, false)) return true;
  return false;
}

void TRegistry::CloseKey() {
  if (FCurrentKey) RegCloseKey(FCurrentKey);
  FCurrentKey = nullptr;
}

void TRegistry::GetKeyNames(TStringList& names) {
  names.Clear();
  DWORD count = 0, longest = 0;
  if (RegQueryInfoKeyA(FCurrentKey, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return;
  // Windows counts the longest name in characters, and a GBK name takes up to
  // two bytes for each: the buffer grows when a name does not fit.
  std::string buffer(longest + 1, '\0');
  for (DWORD i = 0; i < count; ++i) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG rc;
    while ((rc = RegEnumKeyExA(FCurrentKey, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)) ==
               ERROR_MORE_DATA &&
           buffer.size() < 65536) {
      buffer.resize(buffer.size() * 2);
      length = static_cast<DWORD>(buffer.size());
    }
    // A key removed meanwhile ends the list rather than repeating a name.
    if (rc != ERROR_SUCCESS) break;
    names.Add(buffer.substr(0, length));
  }
}

bool TRegistry::ValueExists(const std::string& name) {
  DWORD type, size;
  return RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

int32_t TRegistry::GetDataSize(const std::string& name) {
  DWORD size;
  if (RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return -1;
  return static_cast<int32_t>(size);
}

DWORD TRegistry::GetData(const std::string& name, void* buffer, DWORD size) {
  DWORD type = REG_NONE;
  if (RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type, static_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS)
    throw ERegistryException(Format(SRegGetDataFailed, name));
  return type;
}

std::string TRegistry::ReadString(const std::string& name) {
  int32_t size = GetDataSize(name);
  if (size <= 0) return "";
  std::string text(static_cast<size_t>(size), '\0');
  DWORD type = GetData(name, text.data(), static_cast<DWORD>(size));
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException(Format(SInvalidRegType, name));
  text.resize(std::strlen(text.c_str()));
  return text;
}

int32_t TRegistry::ReadInteger(const std::string& name) {
  int32_t value = 0;
  if (GetData(name, &value, sizeof value) != REG_DWORD) throw ERegistryException(Format(SInvalidRegType, name));
  return value;
}
