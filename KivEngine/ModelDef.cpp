#include "KivEngine/ModelDef.h"

namespace kivengine {

namespace {

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

ValueClass ClassOfDataType(int32_t dataType) {
  switch (dataType) {
    case 1: return ValueClass::Boolean;
    case 2: case 3: case 4: case 5: case 6: return ValueClass::Integer;
    case 7: case 8: case 9: return ValueClass::Float;
    default: return ValueClass::String;
  }
}

std::string FoldName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) c = Folded(c);
  return folded;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i]) != Folded(b[i])) return false;
  return true;
}

size_t NameHash::operator()(std::string_view name) const {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : name) hash = (hash ^ static_cast<uint8_t>(Folded(c))) * 1099511628211ull;
  return static_cast<size_t>(hash);
}

int TableDef::FieldIndex(std::string_view name) const {
  auto it = FieldsByName.find(name);
  return it == FieldsByName.end() ? -1 : it->second;
}

bool TableDef::AddField(FieldDef field) {
  if (!FieldsByName.emplace(field.Name, static_cast<int>(Fields.size())).second) return false;
  field.Class = ClassOfDataType(field.DataType);
  Fields.push_back(std::move(field));
  // Text slots follow the field slots: renumber them all.
  SlotCount = static_cast<int>(Fields.size());
  for (FieldDef& f : Fields) f.TextSlot = f.Kind == 4 ? SlotCount++ : -1;
  return true;
}

}  // namespace kivengine
