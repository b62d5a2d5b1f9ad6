// The registry's on-disk store: one directory per key below RegistryRoot(),
// a root key's directory named after it ("HKEY_LOCAL_MACHINE"), the values of a
// key in its file ".values" as .reg value lines. Key directory names are the
// key names in UTF-8 with '%', '/' and a leading '.' escaped as %XX, so no key
// clashes with ".values" or leaves the tree. Access follows the directories'
// and files' permissions. Names here are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "winport/RegistryText.h"
#include "winport/WinTypes.h"

// $WINPORT_REGISTRY, or /var/lib/winport/registry.
std::string RegistryRoot();

// The directory of a root key by its name ("HKEY_LOCAL_MACHINE" or "HKLM");
// empty for a name that is no root key.
std::string RootKeyDirectory(std::string_view rootName);

// Finds the key at a backslash-separated path below the key `dir`, comparing
// names without case; empty path components are skipped.
LONG FindRegKey(const std::string& dir, std::string_view path, std::string& found);

// As FindRegKey, creating the missing keys (and `dir` itself, with its
// parents, when it is missing). `isNew` tells whether the last key was made.
LONG CreateRegKey(const std::string& dir, std::string_view path, std::string& found, bool& isNew);

// Deletes a key with its values and all its sub-keys.
LONG DeleteRegKeyTree(const std::string& dir);

// The names of the direct sub-keys, in case-insensitive order.
LONG ListRegSubKeys(const std::string& dir, std::vector<std::string>& names);

// The key's name as stored (the last component of `dir`).
std::string RegKeyName(const std::string& dir);

// Values in the order they were first set.
LONG ReadRegValues(const std::string& dir, std::vector<RegValue>& values);
// Replaces the key's values at once (a new file renamed over the old one).
LONG WriteRegValues(const std::string& dir, const std::vector<RegValue>& values);

// The value of that name, compared without case, or nullptr.
RegValue* FindRegValue(std::vector<RegValue>& values, std::string_view name);
// Sets a value, keeping the stored spelling of its name when it exists.
void PutRegValue(std::vector<RegValue>& values, RegValue value);

// Whether the process may use the key's directory or values file with `mode`
// (R_OK, W_OK, X_OK); answers an error code.
LONG CheckRegKeyAccess(const std::string& dir, int dirMode, bool readValues);
