#include "KivEngine/ModelDef.h"

namespace kivengine {

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
  for (char& c : folded)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return folded;
}

int TableDef::FieldIndex(const std::string& name) const {
  auto it = FieldsByName.find(FoldName(name));
  return it == FieldsByName.end() ? -1 : it->second;
}

}  // namespace kivengine
