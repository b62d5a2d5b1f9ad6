#include "rtl/Mask.h"

#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"

namespace {

// A character: one byte, or a lead byte and its trail byte as one value, with
// the byte offset at which it starts.
struct Char {
  uint16_t Value;
  size_t Offset;
};

std::vector<Char> Characters(const std::string& text) {
  std::vector<Char> chars;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (IsLeadByte(text[i]) && i + 1 < text.size()) {
      chars.push_back({static_cast<uint16_t>(byte << 8 | static_cast<uint8_t>(text[i + 1])), i});
      ++i;
    } else {
      chars.push_back({byte, i});
    }
  }
  return chars;
}

uint16_t Upper(uint16_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
uint16_t Lower(uint16_t c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

}  // namespace

TMask::TMask(const std::string& mask) {
  const std::vector<Char> chars = Characters(mask);
  for (size_t i = 0; i < chars.size(); ++i) {
    const uint16_t c = chars[i].Value;
    if (c == '*') {
      if (FElements.empty() || FElements.back().Kind != ElementKind::AnyRun) FElements.push_back({ElementKind::AnyRun});
    } else if (c == '?') {
      FElements.push_back({ElementKind::AnyChar});
    } else if (c != '[') {
      FElements.push_back({ElementKind::Literal, false, Upper(c)});
    } else {
      const size_t open = chars[i].Offset;
      auto invalid = [&] { throw EMaskException(Format(SInvalidMask, mask, static_cast<int>(open + 1))); };
      Element set{ElementKind::Set};
      if (++i < chars.size() && chars[i].Value == '!') {
        set.Negated = true;
        ++i;
      }
      for (; i < chars.size() && chars[i].Value != ']'; ++i) {
        const uint16_t first = chars[i].Value;
        const bool rangeFollows = i + 2 < chars.size() && chars[i + 1].Value == '-' && chars[i + 2].Value != ']';
        if (first == '-' && i + 1 < chars.size() && chars[i + 1].Value != ']') invalid();
        if (rangeFollows) {
          set.Ranges.push_back({first, chars[i + 2].Value});
          i += 2;
        } else {
          set.Ranges.push_back({first, first});
        }
      }
      if (i >= chars.size() || set.Ranges.empty()) invalid();
      FElements.push_back(std::move(set));
    }
  }
}

bool TMask::ElementMatches(const Element& element, uint16_t c) const {
  switch (element.Kind) {
    case ElementKind::AnyChar: return true;
    case ElementKind::Literal: return element.Char == Upper(c);
    case ElementKind::Set:
      for (const auto& [low, high] : element.Ranges)
        for (uint16_t v : {c, Upper(c), Lower(c)})
          if (v >= low && v <= high) return !element.Negated;
      return element.Negated;
    case ElementKind::AnyRun: break;
  }
  return false;
}

// A failed run after a "*" retries with that "*" taking one more character,
// so the time stays within name × mask, whatever the mask.
bool TMask::Matches(const std::string& fileName) const {
  const std::vector<Char> name = Characters(fileName);
  const size_t none = FElements.size();
  size_t n = 0, e = 0, starE = none, starN = 0;
  while (n < name.size()) {
    if (e < FElements.size() && FElements[e].Kind == ElementKind::AnyRun) {
      starE = e++;
      starN = n;
    } else if (e < FElements.size() && ElementMatches(FElements[e], name[n].Value)) {
      ++e;
      ++n;
    } else if (starE != none) {
      e = starE + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (e < FElements.size() && FElements[e].Kind == ElementKind::AnyRun) ++e;
  return e == FElements.size();
}
