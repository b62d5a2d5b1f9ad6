// The definition of a model: data sets, tables, fields, kinds, types and keys.
// Built once from a model file and shared, read-only, by every object made from it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kivengine {

// How a data type's values are held and compared.
enum class ValueClass : uint8_t { String, Boolean, Integer, Float };

// Data types 0 to 11 (the value encodings of the record stream).
constexpr int32_t kDataTypeCount = 12;
ValueClass ClassOfDataType(int32_t dataType);

// Names compare without ASCII case.
std::string FoldName(const std::string& name);
bool SameName(std::string_view a, std::string_view b);

// Hashes and compares names without ASCII case, so that a lookup by any
// spelling needs no folded copy.
struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view name) const;
};
struct NameEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return SameName(a, b); }
};
template <class T>
using NameMap = std::unordered_map<std::string, T, NameHash, NameEqual>;

struct TableDef;

struct FieldDef {
  std::string Name;
  int32_t DataType = 0;
  uint8_t Kind = 0;
  ValueClass Class = ValueClass::String;   // of DataType
  int TextSlot = -1;                        // kind 4: where a record keeps the field's text
  std::shared_ptr<const TableDef> Nested;  // kind 7 only
};

struct TableDef {
  std::string Name;
  std::vector<FieldDef> Fields;
  int KeyField = -1;
  NameMap<int> FieldsByName;  // name to index
  // A record keeps one slot per field, then one per kind-4 field for its text.
  int SlotCount = 0;

  // The index of the named field, or -1.
  int FieldIndex(std::string_view name) const;
  // Adds a field at the end; false when its name is taken.
  bool AddField(FieldDef field);
};

struct DatabaseDef {
  std::string Name;
  std::vector<std::shared_ptr<const TableDef>> Tables;
};

struct ModelDef {
  std::vector<DatabaseDef> Databases;
};

}  // namespace kivengine
