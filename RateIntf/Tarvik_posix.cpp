// The library's entry on POSIX: the dynamic loader runs the constructor when
// the library is loaded and the destructor when it is unloaded or the process
// ends.
#include "RateIntf/TarvikUnits.h"

namespace {

__attribute__((constructor)) void TarvikAttach() { TarvikLoad(); }

__attribute__((destructor)) void TarvikDetach() { TarvikUnload(); }

}  // namespace
