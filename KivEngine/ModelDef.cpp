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
  if (a == b) return true;  // mostly spelt as defined
  for (size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i]) != Folded(b[i])) return false;
  return true;
}

// Eight bytes at a time with bit 5 set in each: names that differ only in
// the case of ASCII letters hash alike (so do a few others, which the
// comparison then tells apart).
uint32_t NameIndex::HashOf(std::string_view name) {
  constexpr uint64_t kCaseBits = 0x2020202020202020ull, kMultiplier = 0x9E3779B97F4A7C15ull;
  uint64_t hash = name.size() * kMultiplier;
  const auto mix = [&](uint64_t word) {
    hash = (hash ^ (word | kCaseBits)) * kMultiplier;
    hash ^= hash >> 29;
  };
  size_t at = 0;
  for (; at + 8 <= name.size(); at += 8) {
    uint64_t word;
    std::memcpy(&word, name.data() + at, 8);
    mix(word);
  }
  if (at < name.size()) {
    uint64_t word = 0;
    for (size_t i = at; i < name.size(); ++i) word |= uint64_t{static_cast<uint8_t>(name[i])} << 8 * (i - at);
    mix(word);
  }
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
