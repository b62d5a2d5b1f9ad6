// The library's entry: a window class registered at load, under this module's
// handle and the loading process's id, carries it in its window-procedure field.
#include "KivEngine/Engine.h"

namespace {

void Entry(IKivEngine** Engine) { *Engine = IntfPtr<IKivEngine>(New<kivengine::TEngine>()).Detach(); }

__attribute__((constructor)) void RegisterEntry() { PublishKivEngineEntry(&Entry); }

__attribute__((destructor)) void UnregisterEntry() { WithdrawKivEngineEntry(&Entry); }

}  // namespace
