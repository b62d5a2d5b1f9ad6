// The base of a model's objects (the model, its data sets, tables and
// records): counted references as the class library's interfaced object
// counts them, but without atomic operations, since a model and everything
// made from it are used by one thread at a time. The engine and its loader,
// which every model shares, keep the class library's atomic count.
#pragma once

#include <cstdint>

#include "rtl/Exceptions.h"
#include "rtl/Interface.h"
#include "rtl/Object.h"

namespace kivengine {

class TModelObject : public TObject {
 public:
  TModelObject() = default;
  TModelObject(const TModelObject&) = delete;
  TModelObject& operator=(const TModelObject&) = delete;

  // The count is 1 while the constructors run, so that references taken and
  // dropped there do not free the half-built object.
  void AfterConstruction() override { --FRefCount; }
  // Refuses to free an object that is still referenced; references that the
  // destructors take and drop then start no second destruction.
  void BeforeDestruction() override {
    if (FRefCount != 0) throw EInvalidPointer(SInvalidPointer);
    FRefCount = kDestroying;
  }

  int32_t RefCount() const { return FRefCount; }

 protected:
  int32_t AddRefImpl() { return ++FRefCount; }
  int32_t ReleaseImpl() {
    const int32_t count = --FRefCount;
    if (count == 0) Free();
    return count;
  }
  // The engine's objects answer no interface beyond those they list.
  HRESULT QueryUnlisted(const TGUID&, void**) { return E_NOINTERFACE; }

 private:
  static constexpr int32_t kDestroying = INT32_MIN / 2;  // far from 0 either way
  int32_t FRefCount = 1;
};

}  // namespace kivengine
