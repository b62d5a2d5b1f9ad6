#include "host/ResultSummary.h"

#include <cstdint>
#include <stdexcept>

namespace {

using TableRows = std::vector<std::pair<std::string, size_t>>;

class Scanner {
 public:
  explicit Scanner(std::string_view text) : FText(text) {}

  [[noreturn]] void Fail() const {
    throw std::runtime_error("the result is not valid JSON (at byte " + std::to_string(FPos) + ")");
  }

  void SkipSpace() {
    while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\n' || FText[FPos] == '\r'))
      ++FPos;
  }
  char Peek() {
    SkipSpace();
    if (FPos >= FText.size()) Fail();
    return FText[FPos];
  }
  void Expect(char c) {
    if (Peek() != c) Fail();
    ++FPos;
  }
  // Takes c when it comes next.
  bool Take(char c) {
    if (Peek() != c) return false;
    ++FPos;
    return true;
  }
  void ExpectEnd() {
    SkipSpace();
    if (FPos != FText.size()) Fail();
  }

  // A string, its escapes decoded into UTF-8 when out is given.
  void String(std::string* out) {
    Expect('"');
    for (;;) {
      if (FPos >= FText.size()) Fail();
      const char c = FText[FPos++];
      if (c == '"') return;
      if (static_cast<unsigned char>(c) < 0x20) Fail();
      if (c != '\\') {
        if (out) *out += c;
        continue;
      }
      if (FPos >= FText.size()) Fail();
      const char e = FText[FPos++];
      switch (e) {
        case '"': case '\\': case '/': Append(out, e); break;
        case 'b': Append(out, '\b'); break;
        case 'f': Append(out, '\f'); break;
        case 'n': Append(out, '\n'); break;
        case 'r': Append(out, '\r'); break;
        case 't': Append(out, '\t'); break;
        case 'u': Unicode(out); break;
        default: Fail();
      }
    }
  }

  // Any value, read past. Containers are tracked on a stack of their kinds,
  // so that deep nesting costs no recursion.
  void SkipValue() {
    std::string open;
    for (;;) {
      const char c = Peek();
      if (c == '{' || c == '[') {
        ++FPos;
        if (!Take(c == '{' ? '}' : ']')) {
          open += c;
          if (c == '{') Member();
          continue;
        }
      } else if (c == '"') {
        String(nullptr);
      } else {
        Scalar();
      }
      // A value is complete: the next element or member, or closing brackets.
      for (;;) {
        if (open.empty()) return;
        if (Take(',')) {
          if (open.back() == '{') Member();
          break;
        }
        Expect(open.back() == '{' ? '}' : ']');
        open.pop_back();
      }
    }
  }

  // The members of an object, each handed to member with its name, until the
  // closing brace.
  template <class Member>
  void Object(Member&& member) {
    Expect('{');
    if (Take('}')) return;
    do {
      std::string name;
      String(&name);
      Expect(':');
      member(name);
    } while (Take(','));
    Expect('}');
  }

  // The elements of an array, each handed to element, until the closing bracket.
  template <class Element>
  void Array(Element&& element) {
    Expect('[');
    if (Take(']')) return;
    do element();
    while (Take(','));
    Expect(']');
  }

 private:
  static void Append(std::string* out, char c) {
    if (out) *out += c;
  }

  uint32_t Hex4() {
    if (FPos + 4 > FText.size()) Fail();
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = FText[FPos++];
      value <<= 4;
      if (c >= '0' && c <= '9') value |= c - '0';
      else if (c >= 'a' && c <= 'f') value |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') value |= c - 'A' + 10;
      else Fail();
    }
    return value;
  }

  void Unicode(std::string* out) {
    uint32_t code = Hex4();
    if (code >= 0xD800 && code < 0xDC00 && FText.substr(FPos, 2) == "\\u") {
      FPos += 2;
      const uint32_t low = Hex4();
      if (low < 0xDC00 || low > 0xDFFF) Fail();
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    if (!out) return;
    if (code < 0x80) {
      *out += static_cast<char>(code);
    } else if (code < 0x800) {
      *out += static_cast<char>(0xC0 | code >> 6);
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out += static_cast<char>(0xE0 | code >> 12);
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | code >> 18);
      *out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // A number, true, false or null.
  void Scalar() {
    const size_t start = FPos;
    while (FPos < FText.size() && std::string_view("+-.0123456789eEabcdefghijklmnopqrstuvwxyz").find(FText[FPos]) !=
                                      std::string_view::npos)
      ++FPos;
    const std::string_view word = FText.substr(start, FPos - start);
    const bool number = !word.empty() && (word[0] == '-' || (word[0] >= '0' && word[0] <= '9'));
    if (!number && word != "true" && word != "false" && word != "null") Fail();
  }

  // A member name and its colon, inside an object being read past.
  void Member() {
    String(nullptr);
    Expect(':');
  }

  std::string_view FText;
  size_t FPos = 0;
};

}  // namespace

TableRows CountResultRows(std::string_view json) {
  Scanner scan(json);
  TableRows found;
  bool hasDataSet = false;
  scan.Object([&](const std::string& member) {
    if (member != "databases") return scan.SkipValue();
    scan.Array([&] {
      std::string name;
      TableRows tables;
      scan.Object([&](const std::string& member) {
        if (member == "name") return scan.String(&name);
        if (member != "tables") return scan.SkipValue();
        scan.Array([&] {
          std::string table;
          size_t rows = 0;
          scan.Object([&](const std::string& member) {
            if (member == "name") return scan.String(&table);
            if (member != "records") return scan.SkipValue();
            scan.Array([&] {
              scan.SkipValue();
              ++rows;
            });
          });
          tables.emplace_back(std::move(table), rows);
        });
      });
      if (name == "UserBQItemDB") {
        found = std::move(tables);
        hasDataSet = true;
      }
    });
  });
  scan.ExpectEnd();
  if (!hasDataSet) throw std::runtime_error("the result holds no data set UserBQItemDB");
  return found;
}
