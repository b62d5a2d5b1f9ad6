// Components and the class library's component list. A list hears of the
// destruction of every component it holds and drops it, so it never holds a
// freed one. For one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/Object.h"

class TComponentList;

class TComponent : public TObject {
 public:
  TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  // Leaves every list that holds it.
  ~TComponent() override;

 private:
  friend class TComponentList;
  std::vector<TComponentList*> FLists;
};

class TComponentList : public TObject {
 public:
  // An owning list frees its components when it is freed, the last first;
  // the other kind only lets go of them.
  explicit TComponentList(bool ownsObjects = true) : FOwnsObjects(ownsObjects) {}
  TComponentList(const TComponentList&) = delete;
  TComponentList& operator=(const TComponentList&) = delete;
  ~TComponentList() override;

  bool OwnsObjects() const { return FOwnsObjects; }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  // Index checks raise EListError "List index out of bounds (%d)".
  TComponent* Items(int32_t index) const;
  int32_t Add(TComponent* component);
  // Takes every occurrence of the component out, freeing nothing.
  void Remove(TComponent* component);

 private:
  friend class TComponent;
  void Forget(TComponent* component);

  std::vector<TComponent*> FItems;
  bool FOwnsObjects;
};
