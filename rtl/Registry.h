// The class library's registry wrapper: one current key below a root key.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/Object.h"
#include "rtl/StringList.h"
#include "winport/Registry.h"

inline constexpr const char* SInvalidRegType = "Invalid data type for '%s'";
inline constexpr const char* SRegGetDataFailed = "Failed to get data for '%s'";

class TRegistry : public TObject {
 public:
  // Root key HKEY_CURRENT_USER, no key open.
  TRegistry() = default;
  ~TRegistry() override;

  HKEY RootKey() const { return FRootKey; }
  // Closes the current key.
  void SetRootKey(HKEY key);
  HKEY CurrentKey() const { return FCurrentKey; }

  // Makes `key` the current key, opened with KEY_ALL_ACCESS (created, non-volatile,
  // when `canCreate`). A path starting with a backslash starts at the root key;
  // any other starts at the current key when one is open. Answers whether the
  // key was opened; the current key stays as it was when not.
  bool OpenKey(const std::string& key, bool canCreate);
  // As OpenKey without creating, asking for KEY_READ, then KEY_READ without
  // KEY_NOTIFY, then KEY_QUERY_VALUE.
  bool OpenKeyReadOnly(const std::string& key);
  // Closes the current key without flushing it.
  void CloseKey();

  // The current key's sub-key names, as many as the key reports, in the order
  // the registry enumerates them.
  void GetKeyNames(TStringList& names);
  bool ValueExists(const std::string& name);
  // REG_SZ or REG_EXPAND_SZ text up to its first NUL, not expanded; "" for a
  // missing value or one without data. ERegistryException for other types.
  std::string ReadString(const std::string& name);
  // A REG_DWORD of up to four bytes. ERegistryException "Failed to get data"
  // for a missing value or one longer than four bytes, "Invalid data type" for
  // a short value of another type.
  int32_t ReadInteger(const std::string& name);

 private:
  bool OpenWith(const std::string& key, REGSAM access, bool canCreate);
  // The value's size, or -1 when it cannot be read.
  int32_t GetDataSize(const std::string& name);
  // Raises "Failed to get data" when the value does not fit `size` bytes.
  DWORD GetData(const std::string& name, void* buffer, DWORD size);

  HKEY FRootKey = HKEY_CURRENT_USER;
  HKEY FCurrentKey = nullptr;
};
