// The library's entry: a window class registered at load, under this module's
// handle and the loading process's id, carries it in its window-procedure field.
#include "KivEngine/Engine.h"

namespace {

void Entry(IKivEngine** Engine) { *Engine = IntfPtr<IKivEngine>(New<kivengine::TEngine>()).Detach(); }

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

__attribute__((constructor)) void RegisterEntry() { PublishKivEngineEntry(ThisModule(), &Entry); }

__attribute__((destructor)) void UnregisterEntry() { WithdrawKivEngineEntry(ThisModule()); }

}  // namespace
