#include "platform/QuarnHashUtils.h"

#include <algorithm>
#include <utility>

#include "rtl/Assert.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "winport/Locale.h"

namespace {

constexpr const char* SDuplicateKey = "键[%s]对应的节点已存在";

// Whether tables grow, and where each table's bucket-count check stands in
// the unit.
template <class Node>
constexpr int kResizeCheckLine = 0;
#ifdef TARVIK_OLDER_VARIANT
constexpr bool kAutoGrow = false;
template <>
constexpr int kResizeCheckLine<TStrKeyHashNode> = 542;
template <>
constexpr int kResizeCheckLine<TIntKeyHashNode> = 924;
#else
constexpr bool kAutoGrow = true;
template <>
constexpr int kResizeCheckLine<TStrKeyHashNode> = 845;
template <>
constexpr int kResizeCheckLine<TIntKeyHashNode> = 1237;
template <>
constexpr int kResizeCheckLine<TIntKeyStrHashNode> = 2386;
#endif

// A key as the duplicate-key message shows it.
const std::string& KeyText(const std::string& key) { return key; }
std::string KeyText(int32_t key) { return std::to_string(key); }

}  // namespace

template <class Node>
TKeyHash<Node>::TKeyHash(int32_t initialCapacity, bool allowDuplicates)
    : FAllowDuplicates(allowDuplicates),
      FAutoGrow(kAutoGrow),
      FInitialCapacity(initialCapacity == 0 ? 1 : initialCapacity) {
  Resize(FInitialCapacity);
}

template <class Node>
const Node* TKeyHash<Node>::Find(const Key& key) const {
  return *FindLink(key);
}

template <class Node>
void TKeyHash<Node>::Clear() {
  FBuckets.clear();
  FBlocks.clear();
  FCount = 0;
  Resize(FInitialCapacity);
}

template <class Node>
void TKeyHash<Node>::Grow() {
  const int32_t n = BucketCount();
  const int32_t increment = n <= 8 ? 4 : n <= 64 ? 16 : n / 2;
  Resize(n + increment);
}

template <class Node>
Node* TKeyHash<Node>::AddNode(const Key& key, const Value& value) {
  if (!FAllowDuplicates && Find(key)) throw Exception(Format(SDuplicateKey, KeyText(key)));
  if (FAutoGrow && BucketCount() == FCount) Grow();
  Node* node = NewNode(key, value);
  InsertNode(node);
  ++FCount;
  return node;
}

template <class Node>
Node* const* TKeyHash<Node>::FindLink(const Key& key) const {
  Node* const* link = &FBuckets[BucketIndex(HashOf(key))];
  // The node's key comes first: the locale comparison is told which is which.
  while (*link && !KeysEqual((*link)->Key, key)) link = &(*link)->Next;
  return link;
}

template <class Node>
void TKeyHash<Node>::InsertNode(Node* node) {
  Node*& head = FBuckets[BucketIndex(HashOf(node->Key))];
  node->Next = head;
  head = node;
}

template <class Node>
void TKeyHash<Node>::Resize(int32_t n) {
  Assert(n > 0, "Assertion failure", "QuarnHashUtils", kResizeCheckLine<Node>);
  std::vector<Node*> old(n % 2 == 0 ? n + 1 : n, nullptr);
  old.swap(FBuckets);
  // Each old chain, head first, goes to the heads of the new chains: nodes
  // that stay together come out reversed.
  for (Node* node : old) {
    while (node) {
      Node* next = node->Next;
      InsertNode(node);
      node = next;
    }
  }
}

template <class Node>
Node* TKeyHash<Node>::NewNode(const Key& key, const Value& value) {
  // Blocks double from 64 nodes up to 64K, so small tables stay small.
  constexpr size_t kFirstBlock = 64, kDoublings = 10;
  if (FBlocks.empty() || FBlocks.back().size() == FBlocks.back().capacity()) {
    std::vector<Node> block;
    block.reserve(kFirstBlock << std::min(FBlocks.size(), kDoublings));
    FBlocks.push_back(std::move(block));
  }
  return &FBlocks.back().emplace_back(Node{nullptr, key, value});
}

template class TKeyHash<TStrKeyHashNode>;
template class TKeyHash<TIntKeyHashNode>;
#ifndef TARVIK_OLDER_VARIANT
template class TKeyHash<TIntKeyStrHashNode>;
#endif

uint32_t TStrKeyHash::HashOf(const std::string& key) const {
  uint32_t h = 0;
  for (unsigned char c : key) {
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    h = h * 95 + c - 31;
  }
  return h;
}

bool TStrKeyHash::KeysEqual(const std::string& a, const std::string& b) const {
  // Equal bytes are equal to the locale too; most lookups hit that way, and
  // the short test keeps probes overlapping in the processor.
  if (a == b) return true;
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}
