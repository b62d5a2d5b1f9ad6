// IInterface and the interface variable. An interface is an abstract class whose
// virtual functions stand in slot order after the three of IInterface; it has no
// virtual destructor, so its slots are exactly its operations.
#pragma once

#include <cstdint>
#include <utility>

#include "rtl/Guid.h"
#include "winport/WinTypes.h"

struct IInterface {
  static constexpr TGUID IID = StringToGUID("{00000000-0000-0000-C000-000000000046}");
  virtual HRESULT QueryInterface(const TGUID& iid, void** obj) = 0;
  virtual int32_t _AddRef() = 0;
  virtual int32_t _Release() = 0;
};

// An interface variable: holds one reference, releases it when it changes or
// goes away. Same size and layout as a bare interface pointer, so an
// `IntfPtr<T>&` out argument is a `T**` to other modules.
template <class T>
class IntfPtr {
 public:
  IntfPtr() = default;
  IntfPtr(std::nullptr_t) {}
  // Takes a new reference to p.
  IntfPtr(T* p) : FPtr(p) {
    if (FPtr) FPtr->_AddRef();
  }
  IntfPtr(const IntfPtr& o) : IntfPtr(o.FPtr) {}
  IntfPtr(IntfPtr&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
  template <class U>
  IntfPtr(const IntfPtr<U>& o) : IntfPtr(static_cast<T*>(o.get())) {}
  ~IntfPtr() { Clear(); }

  IntfPtr& operator=(const IntfPtr& o) {
    Assign(o.FPtr);
    return *this;
  }
  IntfPtr& operator=(IntfPtr&& o) noexcept {
    if (this != &o) {
      T* old = std::exchange(FPtr, std::exchange(o.FPtr, nullptr));
      if (old) old->_Release();
    }
    return *this;
  }
  IntfPtr& operator=(T* p) {
    Assign(p);
    return *this;
  }
  IntfPtr& operator=(std::nullptr_t) {
    Clear();
    return *this;
  }

  // Takes over a reference the caller already owns.
  static IntfPtr Attach(T* p) {
    IntfPtr r;
    r.FPtr = p;
    return r;
  }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(FPtr, nullptr); }

  // The interface of `obj` with the given GUID type, or nil.
  template <class U>
  static IntfPtr Query(const IntfPtr<U>& obj) {
    IntfPtr r;
    if (obj) obj->QueryInterface(T::IID, reinterpret_cast<void**>(&r.FPtr));
    return r;
  }

  void Clear() {
    if (T* old = std::exchange(FPtr, nullptr)) old->_Release();
  }

  T* get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  T& operator*() const { return *FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  friend bool operator==(const IntfPtr& a, const IntfPtr& b) { return a.FPtr == b.FPtr; }
  friend bool operator==(const IntfPtr& a, std::nullptr_t) { return a.FPtr == nullptr; }

 private:
  void Assign(T* p) {
    if (p) p->_AddRef();
    T* old = std::exchange(FPtr, p);
    if (old) old->_Release();
  }

  T* FPtr = nullptr;
};

static_assert(sizeof(IntfPtr<IInterface>) == sizeof(void*));
