// The root class. Objects are made with New<T>() so that AfterConstruction runs
// once the whole object stands, and freed with Free() so that BeforeDestruction
// may refuse.
#pragma once

#include <string>
#include <utility>

class TObject {
 public:
  virtual ~TObject();

  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() {}

  // The class name without namespaces, as Delphi's ClassName gives it.
  std::string ClassName() const;

  // BeforeDestruction, then destruction; an exception from BeforeDestruction
  // leaves the object alive.
  void Free();
};

template <class T, class... Args>
T* New(Args&&... args) {
  T* obj = new T(std::forward<Args>(args)...);
  obj->AfterConstruction();
  return obj;
}

// Frees a possibly nil object and leaves its variable nil.
template <class T>
void FreeAndNil(T*& obj) {
  if (T* o = std::exchange(obj, nullptr)) o->Free();
}
