#include "KivEngine/TableIndex.h"

#include <algorithm>
#include <functional>
#include <string>

namespace kivengine {

size_t VariantHash::operator()(const Variant& value) const {
  switch (value.VarType()) {
    case TVarType::varInteger: return std::hash<int32_t>()(value.Integer());
    case TVarType::varDouble: return std::hash<double>()(value.Double());
    case TVarType::varBoolean: return std::hash<bool>()(value.Boolean());
    case TVarType::varString: return std::hash<std::string>()(value.String());
    default: return 0;
  }
}

void TableIndex::Clear() {
  FKeys.clear();
  FValues.clear();
}

int32_t TableIndex::FindKey(int32_t key) const {
  auto it = FKeys.find(key);
  return it == FKeys.end() ? -1 : it->second;
}

void TableIndex::AddKey(int32_t key, int32_t row) { FKeys[key] = row; }

void TableIndex::RemoveKey(int32_t key) { FKeys.erase(key); }

void TableIndex::AddValue(int field, const Variant& value, int32_t row) {
  auto index = FValues.find(field);
  if (index == FValues.end()) return;
  std::vector<int32_t>& rows = index->second[value];
  rows.insert(std::lower_bound(rows.begin(), rows.end(), row), row);
}

void TableIndex::RemoveValue(int field, const Variant& value, int32_t row) {
  auto index = FValues.find(field);
  if (index == FValues.end()) return;
  auto entry = index->second.find(value);
  if (entry == index->second.end()) return;
  std::vector<int32_t>& rows = entry->second;
  auto at = std::lower_bound(rows.begin(), rows.end(), row);
  if (at != rows.end() && *at == row) rows.erase(at);
  if (rows.empty()) index->second.erase(entry);
}

int32_t TableIndex::FirstRow(int field, const Variant& value) const {
  auto index = FValues.find(field);
  if (index == FValues.end()) return -1;
  auto entry = index->second.find(value);
  return entry == index->second.end() ? -1 : entry->second.front();
}

}  // namespace kivengine
