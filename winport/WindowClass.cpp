#include "winport/WindowClass.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "winport/Errors.h"

namespace {

struct Registered {
  WNDCLASSA Class;
  std::string Name;
  std::string MenuName;
};

using ClassKey = std::pair<HINSTANCE, std::string>;

std::mutex classesLock;
std::map<ClassKey, std::unique_ptr<Registered>> classes;
ATOM nextAtom = 0xC000;

ClassKey KeyOf(HINSTANCE instance, LPCSTR name) {
  std::string folded(name ? name : "");
  for (char& c : folded)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return {instance, std::move(folded)};
}

}  // namespace

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
  if (!wndClass || !wndClass->lpszClassName || !*wndClass->lpszClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> guard(classesLock);
  auto [it, added] = classes.try_emplace(KeyOf(wndClass->hInstance, wndClass->lpszClassName));
  if (!added) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto entry = std::make_unique<Registered>(Registered{*wndClass, wndClass->lpszClassName,
                                                       wndClass->lpszMenuName ? wndClass->lpszMenuName : ""});
  entry->Class.lpszClassName = entry->Name.c_str();
  entry->Class.lpszMenuName = wndClass->lpszMenuName ? entry->MenuName.c_str() : nullptr;
  it->second = std::move(entry);
  ATOM atom = nextAtom;
  nextAtom = nextAtom == 0xFFFF ? 0xC000 : nextAtom + 1;
  return atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
  std::lock_guard<std::mutex> guard(classesLock);
  if (classes.erase(KeyOf(instance, className)) == 0) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  return TRUE;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wndClass) {
  std::lock_guard<std::mutex> guard(classesLock);
  auto it = classes.find(KeyOf(instance, className));
  if (it == classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *wndClass = it->second->Class;
  return TRUE;
}
