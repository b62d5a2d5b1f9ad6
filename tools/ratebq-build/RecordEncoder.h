// Records of one model table, encoded from JSON objects the way the reader
// decodes them: the record stream with its flag argument set, one field after
// another in the model's field order; nested tables (kind 7) in the engine's
// table body format.
#pragma once

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "KivEngine/ModelDef.h"
#include "tools/json/Json.h"

// A source record that does not fit its table; the text is UTF-8.
class SourceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RecordEncoder {
 public:
  // Members of a record object: one per field, by field name without ASCII
  // case; a field left out (or null) is null. A kind-4 field takes a value or
  // {"value": .., "text": ..}; a kind-7 field an array of nested records,
  // whose keys, when left out, are numbered from 1.
  explicit RecordEncoder(const kivengine::TableDef& table);

  const kivengine::TableDef& Table() const { return FTable; }
  // The index of a field that the table must have; SourceError otherwise.
  int RequiredField(const char* name) const;

  // The record's values in field order (nullptr where left out). Members named
  // in childMembers hold child records and are skipped; any other member that
  // names no field is a SourceError. The values point into the object.
  std::vector<const Json*> Resolve(const Json& record, const std::vector<std::string>& childMembers);

  // Appends the record in the record stream format.
  void Append(std::string& out, const std::vector<const Json*>& values);

  // The integer a key or reference field holds; SourceError when it is not one.
  int32_t IntegerOf(int field, const Json* value) const;
  // The GBK text a string field holds ("" when left out).
  std::string TextOf(int field, const Json* value) const;

 private:
  int FieldOfMember(const std::string& member);
  void AppendValue(std::string& out, int field, const Json& value) const;
  void AppendNestedBody(std::string& out, int field, const Json& records);
  [[noreturn]] void Fail(int field, const std::string& what) const;

  const kivengine::TableDef& FTable;
  std::unordered_map<std::string, int> FMemberFields;  // member name as written to field index
  std::vector<std::unique_ptr<RecordEncoder>> FNested;  // by field index, kind 7 only
};

// Appends a number in little-endian byte order, as every file of a library holds it.
template <class T>
void AppendLE(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof value);  // the build's byte order is little-endian
  out.append(bytes, sizeof bytes);
}

// GBK text of UTF-8 source text; SourceError for text that GBK cannot hold.
std::string SourceTextToGbk(const std::string& utf8);
