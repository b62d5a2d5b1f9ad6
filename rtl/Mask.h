// The class library's wildcard mask, matched against whole file names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/Object.h"

inline constexpr const char* SInvalidMask = "'%s' is an invalid mask at (%d)";

// "*" matches any run of characters, path delimiters included; "?" one
// character; "[...]" one character of a set of characters and ranges (a-z),
// "[!...]" one that is not in it; every other character itself. ASCII letters
// match without case, and a double-byte GBK character is one character whose
// two bytes must match. A mask is read once and may then be matched from
// several threads at once.
class TMask : public TObject {
 public:
  // EMaskException with SInvalidMask for a set without its closing "]", an
  // empty set, or a range without its first character. The position counts
  // bytes from 1 and points at the "[" that opens the faulty set.
  explicit TMask(const std::string& mask);

  bool Matches(const std::string& fileName) const;

 private:
  enum class ElementKind : uint8_t { Literal, AnyChar, AnyRun, Set };
  struct Element {
    ElementKind Kind;
    bool Negated = false;
    uint16_t Char = 0;                                 // Literal, folded
    std::vector<std::pair<uint16_t, uint16_t>> Ranges = {};  // Set
  };

  bool ElementMatches(const Element& element, uint16_t c) const;

  std::vector<Element> FElements;
};
