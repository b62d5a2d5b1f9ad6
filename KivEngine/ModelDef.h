// The definition of a model: data sets, tables, fields, kinds, types and keys.
// Built once from a model file and shared, read-only, by every object made from it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kivengine {

// How a data type's values are held and compared.
enum class ValueClass { String, Boolean, Integer, Float };

// Data types 0 to 11 (the value encodings of the record stream).
constexpr int32_t kDataTypeCount = 12;
ValueClass ClassOfDataType(int32_t dataType);

// Names compare without ASCII case.
std::string FoldName(const std::string& name);

struct TableDef;

struct FieldDef {
  std::string Name;
  int32_t DataType = 0;
  uint8_t Kind = 0;
  std::shared_ptr<const TableDef> Nested;  // kind 7 only
};

struct TableDef {
  std::string Name;
  std::vector<FieldDef> Fields;
  int KeyField = -1;
  std::unordered_map<std::string, int> FieldsByName;  // folded name to index

  // The index of the named field, or -1.
  int FieldIndex(const std::string& name) const;
};

struct DatabaseDef {
  std::string Name;
  std::vector<std::shared_ptr<const TableDef>> Tables;
};

struct ModelDef {
  std::vector<DatabaseDef> Databases;
};

}  // namespace kivengine
