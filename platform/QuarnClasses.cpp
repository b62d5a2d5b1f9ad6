#include "platform/QuarnClasses.h"

#include "rtl/Exceptions.h"
#include "rtl/Format.h"

namespace {
constexpr const char* SRefCntNotZero = "对象[%s]引用计数[%d]不为零";
}  // namespace

void TQuarnRefCntIntfObject::BeforeDestruction() {
  const int32_t count = FRefCount;
  if (count != 0) {
#ifdef TARVIK_OLDER_VARIANT
    throw EInvalidPointer(SInvalidPointer);
#else
    throw Exception(Format(SRefCntNotZero, ClassName(), count));
#endif
  }
  FRefCount = kDestroyingRefCount;
}
