#include "winport/Module.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "winport/Codepage.h"
#include "winport/Errors.h"
#include "winport/Files.h"

namespace {

constexpr LONG ERROR_BAD_EXE_FORMAT = 193;
constexpr LONG ERROR_PROC_NOT_FOUND = 127;

// The dynamic loader's handle of each library loaded here, with the number of
// LoadLibraryA calls not yet matched by FreeLibrary.
struct Loaded {
  void* Handle;
  int References;
};
std::mutex modulesLock;
std::map<HMODULE, Loaded> modules;

HMODULE BaseOf(const void* address) {
  Dl_info info;
  if (!dladdr(address, &info)) return nullptr;
  return info.dli_fbase;
}

HMODULE BaseOfHandle(void* handle) {
  link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) return nullptr;
  return BaseOf(map->l_ld);
}

std::string ProgramFileName() {
  std::string name(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", name.data(), name.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < name.size()) return name.substr(0, n);
    name.resize(name.size() * 2);
  }
}

HMODULE ProgramModule() {
  static HMODULE program = BaseOfHandle(dlopen(nullptr, RTLD_NOW));
  return program;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
  const std::string native = NativeFileName(fileName);
  void* handle = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    SetLastError(access(native.c_str(), F_OK) == 0 ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  HMODULE module = BaseOfHandle(handle);
  std::lock_guard<std::mutex> guard(modulesLock);
  auto [it, added] = modules.try_emplace(module, Loaded{handle, 0});
  ++it->second.References;
  if (!added) dlclose(handle);  // the loader counts once per library here; we count the calls
  return module;
}

BOOL FreeLibrary(HMODULE module) {
  void* handle;
  {
    std::lock_guard<std::mutex> guard(modulesLock);
    auto it = modules.find(module);
    if (it == modules.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if (--it->second.References > 0) return TRUE;
    handle = it->second.Handle;
    modules.erase(it);
  }
  // Outside the lock: the library's unload code may call back into winport.
  return dlclose(handle) == 0 ? TRUE : FALSE;
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR address, HMODULE* module) {
  *module = nullptr;
  if (!(flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = BaseOf(address);
  if (!*module) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  std::string native;
  if (!module || module == ProgramModule()) {
    native = ProgramFileName();
  } else {
    Dl_info info;
    if (dladdr(module, &info) && info.dli_fbase == module && info.dli_fname) native = info.dli_fname;
  }
  if (native.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const std::string name = Utf8ToGbk(native);
  if (name.size() < size) {
    std::memcpy(fileName, name.c_str(), name.size() + 1);
    return static_cast<DWORD>(name.size());
  }
  std::memcpy(fileName, name.data(), size - 1);
  fileName[size - 1] = '\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  void* handle = nullptr;
  {
    std::lock_guard<std::mutex> guard(modulesLock);
    auto it = modules.find(module);
    if (it != modules.end()) handle = it->second.Handle;
  }
  void* address = handle ? dlsym(handle, procName) : nullptr;
  if (!address) SetLastError(handle ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE);
  return reinterpret_cast<FARPROC>(address);
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
DWORD GetCurrentThreadId() { return static_cast<DWORD>(gettid()); }
