#include "winport/Atoms.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "winport/Errors.h"

namespace {

constexpr ATOM kFirstAtom = 0xC000;
constexpr size_t kAtomCount = 0x4000;
constexpr size_t kMaxName = 255;

struct Entry {
  std::string Name;  // as first added
  int References;
};

std::mutex atomsLock;
std::map<ATOM, Entry> atoms;
std::map<std::string, ATOM> atomsByName;  // keyed by the name with ASCII letters in upper case
ATOM nextAtom = kFirstAtom;

std::string Folded(LPCSTR name) {
  std::string s(name);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// The next free atom after the last one handed out, so that a deleted atom's
// number is not reused at once.
ATOM FreeAtom() {
  for (size_t tried = 0; tried < kAtomCount; ++tried) {
    ATOM atom = nextAtom;
    nextAtom = nextAtom == 0xFFFF ? kFirstAtom : static_cast<ATOM>(nextAtom + 1);
    if (!atoms.count(atom)) return atom;
  }
  return 0;
}

}  // namespace

ATOM GlobalAddAtomA(LPCSTR name) {
  if (!name || !*name || std::strlen(name) > kMaxName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> guard(atomsLock);
  const std::string key = Folded(name);
  auto it = atomsByName.find(key);
  if (it != atomsByName.end()) {
    ++atoms[it->second].References;
    return it->second;
  }
  ATOM atom = FreeAtom();
  if (!atom) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  atoms.emplace(atom, Entry{name, 1});
  atomsByName.emplace(key, atom);
  return atom;
}

ATOM GlobalDeleteAtom(ATOM atom) {
  std::lock_guard<std::mutex> guard(atomsLock);
  auto it = atoms.find(atom);
  if (it == atoms.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return atom;
  }
  if (--it->second.References == 0) {
    atomsByName.erase(Folded(it->second.Name.c_str()));
    atoms.erase(it);
  }
  return 0;
}

ATOM GlobalFindAtomA(LPCSTR name) {
  std::lock_guard<std::mutex> guard(atomsLock);
  auto it = name ? atomsByName.find(Folded(name)) : atomsByName.end();
  if (it == atomsByName.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  return it->second;
}

UINT GlobalGetAtomNameA(ATOM atom, LPSTR buffer, int size) {
  std::lock_guard<std::mutex> guard(atomsLock);
  auto it = atoms.find(atom);
  if (it == atoms.end() || size <= 0) {
    SetLastError(it == atoms.end() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t n = std::min(it->second.Name.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, it->second.Name.data(), n);
  buffer[n] = '\0';
  return static_cast<UINT>(n);
}
