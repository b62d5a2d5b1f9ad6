#include "KivEngine/ModelDef.h"

#include <algorithm>
#include <cstring>

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
    if (a[i] != b[i] && Folded(a[i]) != Folded(b[i])) return false;
  return true;
}

// The length and the first and last four bytes, with bit 5 set in each:
// names that differ only in the case of ASCII letters hash alike (so do a few
// others, which the comparison tells apart). Names of a table or a data set
// mostly differ there already.
uint32_t NameIndex::HashOf(std::string_view name) {
  const size_t n = name.size();
  uint64_t hash = n;
  for (size_t i = 0; i < 4 && i < n; ++i)
    hash = hash << 16 | (static_cast<uint8_t>(name[i]) | 0x20) << 8 | (static_cast<uint8_t>(name[n - 1 - i]) | 0x20);
  hash *= 0x9E3779B97F4A7C15ull;
  return static_cast<uint32_t>(hash >> 32);
}

void NameIndex::Place(Slot slot) {
  const size_t mask = FSlots.size() - 1;
  size_t i = slot.Hash & mask;
  while (FSlots[i].Position >= 0) i = (i + 1) & mask;
  FSlots[i] = std::move(slot);
}

bool NameIndex::Add(std::string_view name, int position) {
  if (Find(name) >= 0) return false;
  if (2 * (FCount + 1) > FSlots.size()) {
    std::vector<Slot> old(std::max<size_t>(8, 2 * FSlots.size()));
    old.swap(FSlots);
    for (Slot& slot : old)
      if (slot.Position >= 0) Place(std::move(slot));
  }
  Place({HashOf(name), position, std::string(name)});
  ++FCount;
  return true;
}

int NameIndex::Find(std::string_view name) const {
  if (FSlots.empty()) return -1;
  const uint32_t hash = HashOf(name);
  const size_t mask = FSlots.size() - 1;
  for (size_t i = hash & mask; FSlots[i].Position >= 0; i = (i + 1) & mask)
    if (FSlots[i].Hash == hash && SameName(FSlots[i].Name, name)) return FSlots[i].Position;
  return -1;
}

int TableDef::FieldIndex(std::string_view name) const { return FieldsByName.Find(name); }

bool TableDef::AddField(FieldDef field) {
  if (!FieldsByName.Add(field.Name, static_cast<int>(Fields.size()))) return false;
  field.Class = ClassOfDataType(field.DataType);
  Fields.push_back(std::move(field));
  // Text slots follow the field slots: renumber them all.
  SlotCount = static_cast<int>(Fields.size());
  for (FieldDef& f : Fields) f.TextSlot = f.Kind == 4 ? SlotCount++ : -1;
  return true;
}

}  // namespace kivengine
