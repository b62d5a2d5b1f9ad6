// The class library's string list: strings with an object pointer each, in
// insertion order, compared without case as the locale does.
#pragma once

#include <string>
#include <vector>

#include "rtl/Object.h"

class TStringList : public TObject {
 public:
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }

  // Index checks raise EStringListError "List index out of bounds (%d)".
  const std::string& Strings(int32_t index) const;
  void* Objects(int32_t index) const;
  void PutObject(int32_t index, void* object);

  int32_t Add(const std::string& s) { return AddObject(s, nullptr); }
  int32_t AddObject(const std::string& s, void* object);
  void Delete(int32_t index);
  void Clear() { FItems.clear(); }

  // The first item equal to s without case (locale comparison), or -1.
  int32_t IndexOf(const std::string& s) const;

 private:
  void CheckIndex(int32_t index) const;

  struct Item {
    std::string String;
    void* Object;
  };
  std::vector<Item> FItems;
};
