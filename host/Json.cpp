#include "host/Json.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : FText(text) {}

  JsonValue Document() {
    JsonValue value = Value();
    SkipBlanks();
    if (FAt != FText.size()) Fail("text after the document");
    return value;
  }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw std::runtime_error("malformed JSON at byte " + std::to_string(FAt) + ": " + what);
  }
  void SkipBlanks() {
    while (FAt < FText.size() && (FText[FAt] == ' ' || FText[FAt] == '\n' || FText[FAt] == '\r' || FText[FAt] == '\t'))
      ++FAt;
  }
  bool Take(char c) {
    SkipBlanks();
    if (FAt < FText.size() && FText[FAt] == c) return ++FAt, true;
    return false;
  }
  void Expect(char c) {
    if (!Take(c)) Fail("unexpected character");
  }

  JsonValue Value() {
    SkipBlanks();
    if (FAt >= FText.size()) Fail("unexpected end");
    JsonValue v;
    const char c = FText[FAt];
    if (c == '{') {
      v.Type = JsonValue::Kind::Object;
      ++FAt;
      if (Take('}')) return v;
      do {
        SkipBlanks();
        std::string name = String();
        Expect(':');
        v.Members.emplace_back(std::move(name), Value());
      } while (Take(','));
      Expect('}');
    } else if (c == '[') {
      v.Type = JsonValue::Kind::Array;
      ++FAt;
      if (Take(']')) return v;
      do v.Items.push_back(Value());
      while (Take(','));
      Expect(']');
    } else if (c == '"') {
      v.Type = JsonValue::Kind::String;
      v.Text = String();
    } else {
      const size_t start = FAt;
      while (FAt < FText.size() && (std::isalnum(static_cast<unsigned char>(FText[FAt])) || FText[FAt] == '+' ||
                                    FText[FAt] == '-' || FText[FAt] == '.'))
        ++FAt;
      v.Text = FText.substr(start, FAt - start);
      char* end = nullptr;
      if (v.Text == "null") {
        v.Type = JsonValue::Kind::Null;
      } else if (v.Text == "true" || v.Text == "false") {
        v.Type = JsonValue::Kind::Boolean;
      } else if (!v.Text.empty() && (std::strtod(v.Text.c_str(), &end), *end == '\0')) {
        v.Type = JsonValue::Kind::Number;
      } else {
        Fail("unknown value");
      }
    }
    return v;
  }

  // A quoted string; escapes other than \uXXXX keep their character.
  std::string String() {
    if (FAt >= FText.size() || FText[FAt] != '"') Fail("string expected");
    std::string out;
    for (++FAt; FAt < FText.size() && FText[FAt] != '"'; ++FAt) {
      if (FText[FAt] != '\\') {
        out += FText[FAt];
        continue;
      }
      if (++FAt >= FText.size()) break;
      switch (FText[FAt]) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': out += Utf8Of(Hex4()); break;
        default: out += FText[FAt];
      }
    }
    if (FAt >= FText.size()) Fail("unterminated string");
    ++FAt;
    return out;
  }
  unsigned Hex4() {
    if (FText.size() - FAt < 5) Fail("short \\u escape");
    unsigned v = std::stoul(FText.substr(FAt + 1, 4), nullptr, 16);
    FAt += 4;
    return v;
  }
  static std::string Utf8Of(unsigned c) {
    std::string s;
    if (c < 0x80) {
      s += static_cast<char>(c);
    } else if (c < 0x800) {
      s += static_cast<char>(0xC0 | c >> 6);
      s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      s += static_cast<char>(0xE0 | c >> 12);
      s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
  }

  const std::string& FText;
  size_t FAt = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(const std::string& name) const {
  for (const auto& [key, value] : Members)
    if (key == name) return &value;
  return nullptr;
}

JsonValue ParseJson(const std::string& text) { return Parser(text).Document(); }
