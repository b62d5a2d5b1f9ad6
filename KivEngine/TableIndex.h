// The hash indexes of one table: rows by key, and rows by the value of each
// field that has been searched. Rows are record positions in the table.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "rtl/Variant.h"

namespace kivengine {

struct VariantHash {
  size_t operator()(const Variant& value) const;
};

class TableIndex {
 public:
  void Clear();

  // The row holding the key, or -1.
  int32_t FindKey(int32_t key) const;
  void AddKey(int32_t key, int32_t row);
  void RemoveKey(int32_t key);

  // A field's value index exists from the first search of that field on.
  bool HasField(int field) const { return FValues.count(field) != 0; }
  void AddField(int field) { FValues[field]; }
  // Both do nothing for a field without an index.
  void AddValue(int field, const Variant& value, int32_t row);
  void RemoveValue(int field, const Variant& value, int32_t row);
  // The first row whose field holds the value, or -1.
  int32_t FirstRow(int field, const Variant& value) const;

 private:
  // Rows in ascending order, so the first is the first in the table.
  using ValueRows = std::unordered_map<Variant, std::vector<int32_t>, VariantHash>;

  std::unordered_map<int32_t, int32_t> FKeys;
  std::unordered_map<int, ValueRows> FValues;
};

}  // namespace kivengine
