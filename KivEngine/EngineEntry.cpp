// The library publishes its engine through a window class registered at
// load, under this module's handle and the loading process's id.
#include "KivEngine/Engine.h"

namespace {

using Publication = TKivEnginePublication<kivengine::TEngine>;

__attribute__((constructor)) void PublishEngine() { Publication::Publish(); }

__attribute__((destructor)) void WithdrawEngine() { Publication::Withdraw(); }

}  // namespace
