// Test support: what a hash table lookup found, as a value that compares and
// prints, so that a key gone missing fails its check instead of crashing the
// suite through a null node.
#pragma once

#include <optional>

template <class Node>
auto ValueOf(const Node* node) -> std::optional<decltype(node->Value)> {
  if (!node) return std::nullopt;
  return node->Value;
}

template <class Node>
auto KeyOf(const Node* node) -> std::optional<decltype(node->Key)> {
  if (!node) return std::nullopt;
  return node->Key;
}
