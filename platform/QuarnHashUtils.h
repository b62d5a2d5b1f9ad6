// Separate-chaining hash tables keyed by a string or a 32-bit integer.
//
// A lookup hands out the node itself; a caller that wants every node of a key
// walks Next from it and tests each key, since a chain mixes the keys of one
// bucket. Nodes never move while they live, but their Next changes when the
// table grows. Tables are plain objects owned by their creator, for one thread
// at a time.
//
// In the older variant the tables never grow: they keep their initial bucket
// count and their chains lengthen. It has no TIntKeyStrHash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/Object.h"

struct TStrKeyHashNode {
  TStrKeyHashNode* Next;
  std::string Key;
  int32_t Value;
};

struct TIntKeyHashNode {
  TIntKeyHashNode* Next;
  int32_t Key;
  int32_t Value;
};

#ifndef TARVIK_OLDER_VARIANT
struct TIntKeyStrHashNode {
  TIntKeyStrHashNode* Next;
  int32_t Key;
  std::string Value;
};
#endif

// What Add hands back: the new node; nothing in the older variant.
#ifdef TARVIK_OLDER_VARIANT
template <class Node>
using TKeyHashAddResult = void;
#else
template <class Node>
using TKeyHashAddResult = Node*;
#endif

// The machinery the tables share.
template <class Node>
class TKeyHash : public TObject {
 public:
  using Key = decltype(Node::Key);
  using Value = decltype(Node::Value);

  TKeyHash(const TKeyHash&) = delete;
  TKeyHash& operator=(const TKeyHash&) = delete;

  // Adds a node; raises "键[%s]对应的节点已存在" for a refused duplicate,
  // adding nothing.
  TKeyHashAddResult<Node> Add(const Key& key, const Value& value) {
    return static_cast<TKeyHashAddResult<Node>>(AddNode(key, value));
  }
  // The first node, in chain order, whose key equals key; nullptr if none.
  const Node* Find(const Key& key) const;
  // Frees every node and returns to the initial bucket count.
  void Clear();

  int32_t Count() const { return FCount; }
  int32_t BucketCount() const { return static_cast<int32_t>(FBuckets.size()); }
  int32_t InitialCapacity() const { return FInitialCapacity; }
  bool AllowDuplicates() const { return FAllowDuplicates; }
  bool AutoGrow() const { return FAutoGrow; }

  virtual uint32_t HashOf(const Key& key) const = 0;
  virtual bool KeysEqual(const Key& a, const Key& b) const { return a == b; }
  // Enlarges the bucket array: by 4 up to 8 buckets, by 16 up to 64, then by half.
  virtual void Grow();

 protected:
  // A capacity of 0 means 1; a negative one fails an assertion.
  TKeyHash(int32_t initialCapacity, bool allowDuplicates);

  Node* AddNode(const Key& key, const Value& value);
  // The link (bucket slot or Next) that refers to the first node of key, or the
  // empty link that ends its chain. Never nullptr: there is always a bucket.
  Node* const* FindLink(const Key& key) const;
  void InsertNode(Node* node);
  uint32_t BucketIndex(uint32_t hash) const { return hash % static_cast<uint32_t>(FBuckets.size()); }
  // Relinks every node into n buckets (n made odd).
  void Resize(int32_t n);

 private:
  Node* NewNode(const Key& key, const Value& value);

  bool FAllowDuplicates;
  bool FAutoGrow;
  int32_t FInitialCapacity;
  int32_t FCount = 0;
  std::vector<Node*> FBuckets;
  // Nodes live in blocks that never reallocate, so a node stays put until
  // Clear or destruction frees them all at once.
  std::vector<std::vector<Node>> FBlocks;
};

// String keys compared without case by the locale; the hash folds only ASCII
// letters, so keys that differ in the case of other letters are one key only
// when they land in the same bucket.
class TStrKeyHash : public TKeyHash<TStrKeyHashNode> {
 public:
  TStrKeyHash(int32_t initialCapacity, bool allowDuplicates) : TKeyHash(initialCapacity, allowDuplicates) {}

  uint32_t HashOf(const std::string& key) const override;
  bool KeysEqual(const std::string& a, const std::string& b) const override;
};

class TIntKeyHash : public TKeyHash<TIntKeyHashNode> {
 public:
  TIntKeyHash(int32_t initialCapacity, bool allowDuplicates) : TKeyHash(initialCapacity, allowDuplicates) {}

  uint32_t HashOf(const int32_t& key) const override { return static_cast<uint32_t>(key); }
};

extern template class TKeyHash<TStrKeyHashNode>;
extern template class TKeyHash<TIntKeyHashNode>;

#ifndef TARVIK_OLDER_VARIANT
// Its Add hands nothing back.
class TIntKeyStrHash : public TKeyHash<TIntKeyStrHashNode> {
 public:
  TIntKeyStrHash(int32_t initialCapacity, bool allowDuplicates) : TKeyHash(initialCapacity, allowDuplicates) {}

  void Add(int32_t key, const std::string& value) { AddNode(key, value); }

  uint32_t HashOf(const int32_t& key) const override { return static_cast<uint32_t>(key); }
};

extern template class TKeyHash<TIntKeyStrHashNode>;
#endif
