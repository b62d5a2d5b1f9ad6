// What both variants share: the engine wrapper's life and its forwarders.
// How engines are found and kept: KivEngineRegistry.cpp (current variant)
// and KivEngineCache.cpp (older variant).
#include "platform/KivEngineUtils.h"

#include <utility>
#include <vector>

#include "rtl/Format.h"
#include "rtl/Paths.h"
#include "winport/Environment.h"
#include "winport/WindowClass.h"

std::string ThisModuleFileName() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModuleFileName), &module);
  return GetModuleName(module);
}

std::string EnvironmentVariable(const char* Name) {
  std::vector<char> value(MAX_PATH);
  for (;;) {
    DWORD n = GetEnvironmentVariableA(Name, value.data(), static_cast<DWORD>(value.size()));
    if (n < value.size()) return std::string(value.data(), n);
    value.resize(n);
  }
}

TKivEngine::TKivEngine(const std::string& FileName) : FLibraryPath(FileName) {
  FLibHandle = LoadLibraryA(FileName.c_str());
  if (!FLibHandle) throw EKivEngine(Format(SKivEngineInitFailed, FileName));
  try {
    Bind();
    // Every call forwards to it: a library that hands out no engine has not started.
    if (!FEngine) throw EKivEngine(Format(SKivEngineInitFailed, FileName));
  } catch (...) {
    Unbind();
    throw;
  }
}

TKivEngine::~TKivEngine() { Unbind(); }

// The engine's last reference goes while its code is still loaded.
void TKivEngine::Unbind() {
  FEngine.Clear();
  if (FLibHandle) FreeLibrary(std::exchange(FLibHandle, nullptr));
}

void* TKivEngine::PublishedBy(HMODULE Module, const std::string& EntryName) {
  WNDCLASSA wndClass{};
  if (!GetClassInfoA(Module, KivEngineClassName(Module, EntryName).c_str(), &wndClass)) return nullptr;
  return reinterpret_cast<void*>(wndClass.lpfnWndProc);
}

void TKivEngine::GetLoader(IntfPtr<IKivModelLoader>& Result) { FEngine->GetLoader(Result); }
intptr_t TKivEngine::Reserved6(intptr_t A) { return FEngine->Reserved6(A); }
intptr_t TKivEngine::Reserved7(intptr_t A) { return FEngine->Reserved7(A); }
intptr_t TKivEngine::Reserved8(intptr_t A) { return FEngine->Reserved8(A); }
