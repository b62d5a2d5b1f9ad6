// The registry's on-disk store: one directory per key below RegistryRoot(),
// a root key's directory named after it ("HKEY_LOCAL_MACHINE"), the values of a
// key in its file ".values" as .reg value lines. Key directory names are the
// key names in UTF-8 with '%', '/' and a leading '.' escaped as %XX, so no key
// clashes with the store's own files (".values", ".lock" and the like, whose
// names start with a dot) or leaves the tree. Access follows the directories'
// and files' permissions. Names here are UTF-8.
//
// Every change is durable once it has answered: files are flushed before they
// replace others, and folders after their entries change. Changes to a key's
// values hold the key's exclusive lock from reading to writing, and creating
// or deleting a key holds its parent's (RegistryLock.h), so changes from
// several threads or processes are never lost; readers see whole states.
#pragma once

#include <functional>
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

// Whether a name can be a key's name (a NUL or a backslash cannot stand in
// one) or a value's name (neither a NUL nor a line break). Every operation of
// the store refuses other names with ERROR_INVALID_PARAMETER.
bool IsRegKeyName(std::string_view name);
bool IsRegValueName(std::string_view name);

// Finds the key at a backslash-separated path below the key `dir`, comparing
// names without case; empty path components are skipped.
LONG FindRegKey(const std::string& dir, std::string_view path, std::string& found);

// As FindRegKey, creating the missing keys (and `dir` itself, with its
// parents, when it is missing). `isNew` tells whether the last key was made.
LONG CreateRegKey(const std::string& dir, std::string_view path, std::string& found, bool& isNew);

// Deletes a key with its values and all its sub-keys, at once: readers see
// the whole key or none of it. A root key cannot be deleted.
LONG DeleteRegKeyTree(const std::string& dir);

// The names of the direct sub-keys, in case-insensitive order.
LONG ListRegSubKeys(const std::string& dir, std::vector<std::string>& names);

// The key's name as stored (the last component of `dir`).
std::string RegKeyName(const std::string& dir);

// Values in the order they were first set.
LONG ReadRegValues(const std::string& dir, std::vector<RegValue>& values);

// Reads the key's values, lets `change` edit them and writes them back, under
// the key's exclusive lock throughout, so that no other change comes between.
// Nothing is written when `change` answers an error; that error is answered.
LONG ChangeRegValues(const std::string& dir, const std::function<LONG(std::vector<RegValue>&)>& change);

// The value of that name, compared without case, or nullptr.
RegValue* FindRegValue(std::vector<RegValue>& values, std::string_view name);
// Sets a value, keeping the stored spelling of its name when it exists.
LONG PutRegValue(std::vector<RegValue>& values, RegValue value);

// Whether the process may use the key's directory or values file with `mode`
// (R_OK, W_OK, X_OK); answers an error code.
LONG CheckRegKeyAccess(const std::string& dir, int dirMode, bool readValues);
