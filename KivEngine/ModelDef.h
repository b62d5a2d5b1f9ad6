// The definition of a model: data sets, tables, fields, kinds, types and keys.
// Built once from a model file and shared, read-only, by every object made from it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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

// Positions by name, names compared without ASCII case: a hash of the name
// picks a slot of a small open-addressing table, and the name there is
// compared once. Made once, then read.
class NameIndex {
 public:
  // Adds the name at the position; false when the name is taken.
  bool Add(std::string_view name, int position);
  // The position of the name, or -1.
  int Find(std::string_view name) const;

 private:
  struct Slot {
    uint32_t Hash = 0;
    int Position = -1;
    std::string Name;
  };
  static uint32_t HashOf(std::string_view name);
  void Place(Slot slot);

  std::vector<Slot> FSlots;  // a power of two, at most half full
  size_t FCount = 0;
};

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
  NameIndex FieldsByName;
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
