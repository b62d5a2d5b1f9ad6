#include "KivEngine/TableIndex.h"

#include <algorithm>
#include <bit>

namespace kivengine {

FieldKey FieldKey::OfFloat(double value) { return {false, false, value == 0 ? 0 : std::bit_cast<uint64_t>(value), {}}; }

FieldKey FieldKey::OfText(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : text) hash = (hash ^ static_cast<uint8_t>(c)) * 1099511628211ull;
  return {false, true, hash, text};
}

TRecord* KeyIndex::Find(int32_t key) {
  const Entry* entry = FTable.Find(HashOf(key), [&](const Entry& e) { return e.Key == key; });
  return entry ? entry->Record : nullptr;
}

TRecord* KeyIndex::Add(int32_t key, TRecord* record) {
  bool added;
  Entry& entry = FTable.FindOrInsert(HashOf(key), [&](const Entry& e) { return e.Key == key; }, added);
  if (!added) return entry.Record;
  entry.Key = key;
  entry.Record = record;
  return nullptr;
}

void KeyIndex::Remove(int32_t key) {
  if (Entry* entry = FTable.Find(HashOf(key), [&](const Entry& e) { return e.Key == key; })) FTable.Erase(entry);
}

bool ValueIndex::Matches(const Entry& entry, const FieldKey& key) const {
  return entry.Bits == key.Bits && (!key.IsText || FRowText(entry.Head) == key.Text);
}

ValueIndex::Entry* ValueIndex::Find(const FieldKey& key) {
  if (key.Null) return FNulls.Empty() ? nullptr : &FNulls;
  return FTable.Find(MixBits(key.Bits), [&](const Entry& e) { return Matches(e, key); });
}

int32_t ValueIndex::First(const FieldKey& key) {
  const Entry* entry = Find(key);
  return entry ? entry->Head : -1;
}

void ValueIndex::Add(const FieldKey& key, int32_t row) {
  if (FNextRow.size() <= static_cast<size_t>(row)) FNextRow.resize(std::max<size_t>(row + 1, 2 * FNextRow.size()), -1);
  FNextRow[row] = -1;
  bool added = FNulls.Empty();
  Entry& entry = key.Null ? FNulls
                          : FTable.FindOrInsert(MixBits(key.Bits), [&](const Entry& e) { return Matches(e, key); }, added);
  if (added) {
    entry.Bits = key.Bits;
    entry.Head = entry.Tail = row;
    return;
  }
  if (row > entry.Tail) {  // an appended row, the usual case
    FNextRow[entry.Tail] = row;
    entry.Tail = row;
    return;
  }
  int32_t* link = &entry.Head;
  while (*link < row) link = &FNextRow[*link];
  FNextRow[row] = *link;
  *link = row;
}

void ValueIndex::Remove(const FieldKey& key, int32_t row) {
  Entry* entry = Find(key);
  if (!entry) return;
  int32_t previous = -1;
  int32_t* link = &entry->Head;
  while (*link >= 0 && *link != row) link = &FNextRow[previous = *link];
  if (*link < 0) return;
  *link = FNextRow[row];
  if (entry->Tail == row) entry->Tail = previous;
  if (entry->Head < 0 && entry != &FNulls) FTable.Erase(entry);
}

}  // namespace kivengine
