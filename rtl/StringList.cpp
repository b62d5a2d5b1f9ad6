#include "rtl/StringList.h"

#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "winport/Locale.h"

void TStringList::CheckIndex(int32_t index) const {
  if (index < 0 || index >= Count()) throw EStringListError(Format(SListIndexError, index));
}

const std::string& TStringList::Strings(int32_t index) const {
  CheckIndex(index);
  return FItems[index].String;
}

void* TStringList::Objects(int32_t index) const {
  CheckIndex(index);
  return FItems[index].Object;
}

void TStringList::PutObject(int32_t index, void* object) {
  CheckIndex(index);
  FItems[index].Object = object;
}

int32_t TStringList::AddObject(const std::string& s, void* object) {
  FItems.push_back({s, object});
  return Count() - 1;
}

void TStringList::Delete(int32_t index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

int32_t TStringList::IndexOf(const std::string& s) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, FItems[i].String.c_str(),
                       static_cast<int>(FItems[i].String.size()), s.c_str(), static_cast<int>(s.size())) == CSTR_EQUAL)
      return i;
  return -1;
}
