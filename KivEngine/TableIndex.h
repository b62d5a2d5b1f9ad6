// The hash indexes of one table: records by key, and rows (record positions
// in the table) by the value of each field that has been searched. Both are
// open-addressing tables of plain entries, so a lookup touches one or two
// cache lines and no node of its own.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "KivEngine/LargePages.h"

namespace kivengine {

// The index arrays of a table, which grow with it and are read at random.
template <class T>
using TableVector = std::vector<T, LargePageAllocator<T>>;

// A field's value as an index sees it: null, or the exact bits of a number
// (an integer, a Boolean, or a float with -0 taken as 0), or a hash of text
// with the text itself for the comparison.
struct FieldKey {
  bool Null = true;
  bool IsText = false;
  uint64_t Bits = 0;
  std::string_view Text;

  static FieldKey OfInteger(int32_t value) { return {false, false, static_cast<uint32_t>(value), {}}; }
  static FieldKey OfFloat(double value);
  static FieldKey OfBoolean(bool value) { return {false, false, value, {}}; }
  static FieldKey OfText(std::string_view text);
};

// Linear probing over a power-of-two array, at most half full. Entry has
// Empty() and Hash(), whose low bits place it; a default Entry is empty.
template <class Entry>
class OpenTable {
 public:
  // Empties the table; it keeps its size, as a table refilled after it is
  // emptied mostly grows to the same size again.
  void Clear() {
    if (FCount) std::fill(FSlots.begin(), FSlots.end(), Entry());
    FCount = 0;
  }

  // The entry for which match holds, among those of the hash, or nil.
  template <class Match>
  Entry* Find(uint64_t hash, Match match) {
    if (FSlots.empty()) return nullptr;
    for (size_t i = Home(hash);; i = Next(i)) {
      Entry& entry = FSlots[i];
      if (entry.Empty()) return nullptr;
      if (match(entry)) return &entry;
    }
  }

  // The entry for which match holds, or an empty one for the hash that the
  // caller fills at once (added is then true).
  template <class Match>
  Entry& FindOrInsert(uint64_t hash, Match match, bool& added) {
    if (2 * (FCount + 1) > FSlots.size()) Grow();
    size_t i = Home(hash);
    for (; !FSlots[i].Empty(); i = Next(i))
      if (match(FSlots[i])) {
        added = false;
        return FSlots[i];
      }
    added = true;
    ++FCount;
    return FSlots[i];
  }

  // Removes the entry, moving later entries of its run back so that no
  // lookup stops short.
  void Erase(Entry* entry) {
    size_t hole = static_cast<size_t>(entry - FSlots.data());
    for (size_t i = Next(hole); !FSlots[i].Empty(); i = Next(i)) {
      const size_t home = Home(FSlots[i].Hash());
      // Moves back unless its home lies cyclically in (hole, i].
      if ((i > hole && (home <= hole || home > i)) || (i < hole && home <= hole && home > i)) {
        FSlots[hole] = FSlots[i];
        hole = i;
      }
    }
    FSlots[hole] = Entry();
    --FCount;
  }

 private:
  size_t Home(uint64_t hash) const { return static_cast<size_t>(hash) & (FSlots.size() - 1); }
  size_t Next(size_t i) const { return (i + 1) & (FSlots.size() - 1); }

  void Grow() {
    TableVector<Entry> old(std::max<size_t>(4, 2 * FSlots.size()));  // nested tables mostly hold a record or two
    old.swap(FSlots);
    for (const Entry& entry : old) {
      if (entry.Empty()) continue;
      size_t i = Home(entry.Hash());
      while (!FSlots[i].Empty()) i = Next(i);
      FSlots[i] = entry;
    }
  }

  TableVector<Entry> FSlots;
  size_t FCount = 0;
};

// Spreads every bit of the value over the whole word (the finalizer of
// MurmurHash3), so that regular values do not fall into regular places.
inline uint64_t MixBits(uint64_t bits) {
  bits ^= bits >> 33;
  bits *= 0xFF51AFD7ED558CCDull;
  bits ^= bits >> 33;
  bits *= 0xC4CEB9FE1A85EC53ull;
  return bits ^ bits >> 33;
}

class TRecord;

// Records by key; a key stands at most once. The record itself is kept, so
// that a hit goes from the entry straight to the record.
class KeyIndex {
 public:
  void Clear() { FTable.Clear(); }
  // The record holding the key, or nil.
  TRecord* Find(int32_t key);
  // Adds the key of record unless a record holds it already; answers that
  // record, or nil when the key was added.
  TRecord* Add(int32_t key, TRecord* record);
  void Remove(int32_t key);

 private:
  // Keys that follow one another stay close in the table (runs of 64 share
  // a stretch of it), while the rest of the key is mixed, so that no simple
  // pattern of keys piles up in one place.
  static uint64_t HashOf(int32_t key) {
    const uint32_t k = static_cast<uint32_t>(key);
    return (k & 63) | MixBits(k >> 6) << 6;
  }
  struct Entry {
    int32_t Key = 0;
    TRecord* Record = nullptr;
    bool Empty() const { return !Record; }
    uint64_t Hash() const { return HashOf(Key); }
  };
  OpenTable<Entry> FTable;
};

// Rows by the value of one field, each value's rows in ascending order (a
// chain through NextRow), so that the first is the first in the table.
class ValueIndex {
 public:
  // The text of a row's value, for the rows of text keys.
  using RowText = std::function<std::string_view(int32_t row)>;
  explicit ValueIndex(RowText rowText) : FRowText(std::move(rowText)) {}

  // The first row holding the value, or -1.
  int32_t First(const FieldKey& key);
  void Add(const FieldKey& key, int32_t row);
  void Remove(const FieldKey& key, int32_t row);

 private:
  struct Entry {
    uint64_t Bits = 0;
    int32_t Head = -1, Tail = -1;
    bool Empty() const { return Head < 0; }
    uint64_t Hash() const { return MixBits(Bits); }
  };
  bool Matches(const Entry& entry, const FieldKey& key) const;
  Entry* Find(const FieldKey& key);

  OpenTable<Entry> FTable;       // values
  Entry FNulls;                  // the rows whose field is null
  TableVector<int32_t> FNextRow;  // by row: the next row of the same value, or -1
  RowText FRowText;
};

}  // namespace kivengine
