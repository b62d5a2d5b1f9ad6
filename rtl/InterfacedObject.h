// The class library's reference-counted interfaced object, and Implements<>,
// which gives a class the three IInterface slots for the interfaces it lists.
#pragma once

#include <atomic>
#include <cstdint>

#include "rtl/Interface.h"
#include "rtl/Object.h"

// Counts atomically. The count is 1 while the constructors run (references
// taken and dropped there do not free the half-built object) and 0 once
// AfterConstruction has run; the last release frees the object.
class TInterfacedObject : public TObject {
 public:
  TInterfacedObject() = default;
  TInterfacedObject(const TInterfacedObject&) = delete;
  TInterfacedObject& operator=(const TInterfacedObject&) = delete;

  void AfterConstruction() override;
  // Refuses, with EInvalidPointer, to free an object that is still referenced.
  void BeforeDestruction() override;

  int32_t RefCount() const { return FRefCount.load(); }

 protected:
  int32_t AddRefImpl();
  int32_t ReleaseImpl();
  // The answer to a query for an interface that the class does not list.
  HRESULT QueryUnlisted(const TGUID&, void**) { return E_NOINTERFACE; }

  // The count while the object is being destroyed.
  static constexpr int32_t kDestroyingRefCount = static_cast<int32_t>(0x80000001u);

  std::atomic<int32_t> FRefCount{1};
};

template <class Base, class... Intfs>
class Implements : public Base, public Intfs... {
 public:
  using Base::Base;

  HRESULT QueryInterface(const TGUID& iid, void** obj) override {
    *obj = nullptr;
    if (iid == IInterface::IID) {
      *obj = static_cast<IInterface*>(static_cast<First*>(this));
    } else {
      (void)((iid == Intfs::IID ? (*obj = static_cast<Intfs*>(this), true) : false) || ...);
    }
    if (!*obj) return this->QueryUnlisted(iid, obj);
    this->_AddRef();
    return S_OK;
  }
  int32_t _AddRef() override { return this->AddRefImpl(); }
  int32_t _Release() override { return this->ReleaseImpl(); }

 private:
  template <class T, class...>
  struct Head {
    using type = T;
  };
  using First = typename Head<Intfs...>::type;
};
