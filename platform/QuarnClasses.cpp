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

#ifdef TARVIK_OLDER_VARIANT
// A plain read and write of the count, no atomic step.
int32_t TQuarnRefCntIntfObject::AddRefImpl() {
  const int32_t count = FRefCount.load(std::memory_order_relaxed) + 1;
  FRefCount.store(count, std::memory_order_relaxed);
  return count;
}

int32_t TQuarnRefCntIntfObject::ReleaseImpl() {
  const int32_t count = FRefCount.load(std::memory_order_relaxed) - 1;
  FRefCount.store(count, std::memory_order_relaxed);
  if (count == 0) Free();
  return count;
}

HRESULT TQuarnRefCntIntfObject::QueryUnlisted(const TGUID& iid, void** obj) {
  if (iid != IID_ImplementingObject) return E_NOINTERFACE;
  *obj = this;
  return S_OK;
}
#endif
