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
  std::string Name;
  int References;
};

std::mutex atomsLock;
std::map<ATOM, Entry> atoms;
ATOM nextAtom = kFirstAtom;

bool SameName(const std::string& a, LPCSTR b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::map<ATOM, Entry>::iterator Find(LPCSTR name) {
  return std::find_if(atoms.begin(), atoms.end(), [&](const auto& e) { return SameName(e.second.Name, name); });
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
  auto it = Find(name);
  if (it != atoms.end()) {
    ++it->second.References;
    return it->first;
  }
  ATOM atom = FreeAtom();
  if (!atom) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  atoms.emplace(atom, Entry{name, 1});
  return atom;
}

ATOM GlobalDeleteAtom(ATOM atom) {
  std::lock_guard<std::mutex> guard(atomsLock);
  auto it = atoms.find(atom);
  if (it == atoms.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return atom;
  }
  if (--it->second.References == 0) atoms.erase(it);
  return 0;
}

ATOM GlobalFindAtomA(LPCSTR name) {
  std::lock_guard<std::mutex> guard(atomsLock);
  auto it = name ? Find(name) : atoms.end();
  if (it == atoms.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  return it->first;
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
