// The ".reg" import into a registry store that holds a small catalogue. A
// file that does not parse changes nothing; one that does changes only the
// keys its key lines name (a key deleted with everything under it, a key
// created with its parents); and what the store then holds, exported and
// imported into an empty store, exports the same again.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/FuzzSupport.h"
#include "tools/winreg/RegFile.h"
#include "winport/Codepage.h"
#include "winport/Locale.h"
#include "winport/Registry.h"
#include "winport/RegistryStore.h"

namespace fs = std::filesystem;

namespace {

using KeyPath = std::vector<std::string>;  // root key name, then key names (UTF-8)
using StoreState = std::map<KeyPath, std::string>;  // each key and the text of its values

const std::string& StoreRoot() {
  static const std::string root = [] {
    const std::string folder = ScratchFolder() + "/registry";
    setenv("WINPORT_REGISTRY", folder.c_str(), 1);
    return folder;
  }();
  return root;
}

void Put(HKEY root, const char* path, const char* name, DWORD type, const std::string& data) {
  HKEY key = nullptr;
  FuzzCheck(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS,
            std::string("cannot create the key ") + path);
  if (name)
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
}

void FillStore() {
  std::error_code ec;
  fs::remove_all(StoreRoot(), ec);
  Put(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\Lib", "库类型", REG_SZ, std::string("清单", 4) + '\0');
  Put(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\Lib", "BQID", REG_DWORD, std::string("\x07\0\0\0", 4));
  Put(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\Lib", "PathName", REG_SZ, std::string("/lib\0", 5));
  Put(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\Other", "Data", REG_BINARY, std::string("\x01\x02", 2));
  Put(HKEY_LOCAL_MACHINE, "SoftWare\\Other", nullptr, 0, "");
  Put(HKEY_CURRENT_USER, "Keep\\Deep", "", REG_SZ, std::string("default\0", 8));
}

std::string UnescapeKeyName(const std::string& stored) {
  std::string name;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '%' && i + 2 < stored.size() && std::isxdigit(static_cast<unsigned char>(stored[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(stored[i + 2]))) {
      name += static_cast<char>(std::stoi(stored.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      name += stored[i];
    }
  }
  return name;
}

StoreState ReadStore() {
  StoreState state;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(StoreRoot(), ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_directory()) continue;
    KeyPath path;
    for (const fs::path& part : fs::relative(it->path(), StoreRoot())) path.push_back(UnescapeKeyName(part.string()));
    std::ifstream in(it->path() / ".values", std::ios::binary);
    state[path] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return state;
}

// A key line of the file: the key path it names, and whether it deletes.
struct KeyLine {
  KeyPath Path;
  bool Deletes;
};

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The root's directory name, then the non-empty names between backslashes.
bool SplitKeyPath(std::string_view text, KeyPath& path) {
  path.clear();
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('\\', start), text.size());
    if (end > start || path.empty()) path.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  const std::string rootDir = RootKeyDirectory(path[0]);
  if (rootDir.empty()) return false;
  path[0] = fs::path(rootDir).filename().string();
  return true;
}

// Every line that may be a key line, read generously: each physical line and
// each line joined with those its trailing backslashes continue into, taken
// both as a deleting and as a creating key line.
std::vector<KeyLine> KeyLines(std::string_view text) {
  std::vector<std::string> lines, joined;
  bool continues = false;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line(Trimmed(text.substr(start, end - start)));
    start = end + 1;
    lines.push_back(line);
    if (continues)
      joined.back() += line;
    else
      joined.push_back(line);
    continues = !line.empty() && line.back() == '\\';
    if (continues) joined.back().pop_back();
  }
  std::vector<KeyLine> keyLines;
  for (const std::vector<std::string>* group : {&lines, &joined})
    for (std::string line : *group) {
      if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
      if (line.size() < 2 || line.front() != '[' || line.back() != ']') continue;
      const std::string inner = line.substr(1, line.size() - 2);
      KeyPath path;
      if (SplitKeyPath(inner, path)) keyLines.push_back({path, false});
      if (!inner.empty() && inner[0] == '-' && SplitKeyPath(inner.substr(1), path)) keyLines.push_back({path, true});
    }
  return keyLines;
}

bool SameName(const std::string& a, const std::string& b) {
  const std::string ga = Utf8ToGbk(a), gb = Utf8ToGbk(b);
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ga.data(), static_cast<int>(ga.size()), gb.data(),
                        static_cast<int>(gb.size())) == CSTR_EQUAL;
}

// Whether `prefix` names `path` or a key above it.
bool Covers(const KeyPath& prefix, const KeyPath& path) {
  if (prefix.size() > path.size() || prefix[0] != path[0]) return false;
  for (size_t i = 1; i < prefix.size(); ++i)
    if (!SameName(prefix[i], path[i])) return false;
  return true;
}

void CheckOnlyNamedKeysChanged(const StoreState& before, const StoreState& after, const std::vector<KeyLine>& lines) {
  auto deleted = [&](const KeyPath& key) {
    for (const KeyLine& line : lines)
      if (line.Deletes && line.Path.size() > 1 && Covers(line.Path, key)) return true;
    return false;
  };
  auto named = [&](const KeyPath& key) {
    for (const KeyLine& line : lines)
      if (!line.Deletes && line.Path.size() == key.size() && Covers(line.Path, key)) return true;
    return false;
  };
  auto created = [&](const KeyPath& key) {
    for (const KeyLine& line : lines)
      if (!line.Deletes && Covers(key, line.Path)) return true;
    return false;
  };
  for (const auto& [key, values] : before) {
    const auto now = after.find(key);
    std::string where;
    for (const std::string& name : key) where += "\\" + name;
    if (now == after.end())
      FuzzCheck(deleted(key), "a key that no key line deletes is gone: " + where);
    else if (now->second != values)
      FuzzCheck(named(key) || deleted(key), "the values of a key that no key line names changed: " + where);
  }
  for (const auto& [key, values] : after)
    if (!before.count(key)) {
      std::string where;
      for (const std::string& name : key) where += "\\" + name;
      FuzzCheck(created(key), "a key that no key line names appeared: " + where);
    }
}

// The .reg text of each root key that the store holds.
std::vector<std::string> Export() {
  std::vector<std::string> files;
  for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}) {
    std::string text;
    if (ExportRegKey(root, text).empty()) files.push_back(text);
  }
  return files;
}

void CheckExportReadsBack() {
  const std::vector<std::string> exported = Export();
  std::error_code ec;
  fs::remove_all(StoreRoot(), ec);
  for (const std::string& file : exported) {
    const std::string error = ImportRegFile(file);
    FuzzCheck(error.empty(), "an exported store does not import: " + error + "\n" + file);
  }
  FuzzCheck(Export() == exported, "an exported store imports as another store");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StoreRoot();
  FillStore();
  const StoreState before = ReadStore();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string error = ImportRegFile(text);
  const StoreState after = ReadStore();
  if (error.rfind("line ", 0) == 0 || error.rfind("the file does not start", 0) == 0) {
    FuzzCheck(after == before, "a file that does not parse changed the store: " + error);
    return 0;
  }
  CheckOnlyNamedKeysChanged(before, after, KeyLines(text));
  CheckExportReadsBack();
  return 0;
}
