#include "rtl/ComponentList.h"

#include <algorithm>
#include <utility>

#include "rtl/Exceptions.h"
#include "rtl/Format.h"

TComponent::~TComponent() {
  for (TComponentList* list : std::exchange(FLists, {})) list->Forget(this);
}

TComponentList::~TComponentList() {
  while (!FItems.empty()) {
    TComponent* last = FItems.back();
    Remove(last);
    if (FOwnsObjects) last->Free();
  }
}

TComponent* TComponentList::Items(int32_t index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(SListIndexError, index));
  return FItems[index];
}

int32_t TComponentList::Add(TComponent* component) {
  FItems.push_back(component);
  if (std::find(component->FLists.begin(), component->FLists.end(), this) == component->FLists.end())
    component->FLists.push_back(this);
  return Count() - 1;
}

void TComponentList::Remove(TComponent* component) {
  Forget(component);
  auto& lists = component->FLists;
  lists.erase(std::remove(lists.begin(), lists.end(), this), lists.end());
}

void TComponentList::Forget(TComponent* component) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), component), FItems.end());
}
