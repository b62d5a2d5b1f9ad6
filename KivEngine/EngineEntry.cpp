// The library's entry: a window class registered at load, under this module's
// handle and the loading process's id, carries it in its window-procedure field.
#include "KivEngine/Engine.h"
#include "winport/WindowClass.h"

namespace {

void Entry(IKivEngine** Engine) { *Engine = IntfPtr<IKivEngine>(New<kivengine::TEngine>()).Detach(); }

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

__attribute__((constructor)) void RegisterEntry() {
  const std::string name = KivEngineClassName(ThisModule(), KivEngineEntryName);
  WNDCLASSA wndClass{};
  wndClass.lpfnWndProc = reinterpret_cast<WNDPROC>(reinterpret_cast<void (*)()>(&Entry));
  wndClass.hInstance = ThisModule();
  wndClass.lpszClassName = name.c_str();
  RegisterClassA(&wndClass);
}

__attribute__((destructor)) void UnregisterEntry() {
  UnregisterClassA(KivEngineClassName(ThisModule(), KivEngineEntryName).c_str(), ThisModule());
}

}  // namespace
