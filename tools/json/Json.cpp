#include "tools/json/Json.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

const JsonValue* JsonValue::Find(const std::string& name) const {
  for (const auto& [key, value] : FMembers)
    if (key == name) return &value;
  return nullptr;
}

JsonValue& JsonValue::Append(JsonValue item) {
  FItems.push_back(std::move(item));
  return FItems.back();
}

JsonValue& JsonValue::Set(const std::string& name, JsonValue value) {
  for (auto& [key, member] : FMembers)
    if (key == name) return member = std::move(value);
  FMembers.emplace_back(name, std::move(value));
  return FMembers.back().second;
}

const char* JsonTypeName(JsonValue::Type type) {
  switch (type) {
    case JsonValue::Type::Null: return "null";
    case JsonValue::Type::Boolean: return "a Boolean";
    case JsonValue::Type::Number: return "a number";
    case JsonValue::Type::String: return "a string";
    case JsonValue::Type::Array: return "an array";
    case JsonValue::Type::Object: return "an object";
  }
  return "?";
}

class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : FText(text) {}

  JsonValue ParseDocument() {
    if (FText.compare(0, 3, "\xEF\xBB\xBF") == 0) FPos = 3;
    JsonValue value = ParseValue(0);
    SkipBlanks();
    if (FPos < FText.size()) Fail("text after the document");
    return value;
  }

 private:
  // Nesting deeper than this is refused rather than run out of stack.
  static constexpr int kMaxDepth = 256;

  JsonValue ParseValue(int depth) {
    if (depth > kMaxDepth) Fail("nesting too deep");
    SkipBlanks();
    if (FPos >= FText.size()) Fail("unexpected end of text");
    switch (FText[FPos]) {
      case '{': return ParseObject(depth);
      case '[': return ParseArray(depth);
      case '"': return JsonValue(ParseString());
      case 't': ExpectWord("true"); return JsonValue(true);
      case 'f': ExpectWord("false"); return JsonValue(false);
      case 'n': ExpectWord("null"); return JsonValue();
      default:
        if (FText[FPos] == '-' || (FText[FPos] >= '0' && FText[FPos] <= '9')) return ParseNumber();
        Fail("unexpected character");
    }
  }

  JsonValue ParseObject(int depth) {
    JsonValue object = JsonValue::Object();
    ++FPos;
    if (SkipBlanks() == '}') {
      ++FPos;
      return object;
    }
    for (;;) {
      if (SkipBlanks() != '"') Fail("expected a member name");
      const size_t nameStart = FPos;
      std::string name = ParseString();
      if (object.Find(name)) Fail("duplicate member \"" + name + "\"", nameStart);
      if (SkipBlanks() != ':') Fail("expected ':'");
      ++FPos;
      object.FMembers.emplace_back(std::move(name), ParseValue(depth + 1));
      if (SkipBlanks() == '}') {
        ++FPos;
        return object;
      }
      if (Peek() != ',') Fail("expected ',' or '}'");
      ++FPos;
    }
  }

  JsonValue ParseArray(int depth) {
    JsonValue array = JsonValue::Array();
    ++FPos;
    if (SkipBlanks() == ']') {
      ++FPos;
      return array;
    }
    for (;;) {
      array.FItems.push_back(ParseValue(depth + 1));
      if (SkipBlanks() == ']') {
        ++FPos;
        return array;
      }
      if (Peek() != ',') Fail("expected ',' or ']'");
      ++FPos;
    }
  }

  std::string ParseString() {
    std::string out;
    ++FPos;
    for (;;) {
      if (FPos >= FText.size()) Fail("unterminated string");
      const unsigned char c = FText[FPos];
      if (c < 0x20) Fail("control character in a string");
      ++FPos;
      if (c == '"') return out;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (FPos >= FText.size()) Fail("unterminated string");
      switch (const char e = FText[FPos++]) {
        case '"': case '\\': case '/': out += e; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': AppendUtf8(out, ParseEscapedCodePoint()); break;
        default: Fail("unknown escape");
      }
    }
  }

  uint32_t ParseHex4() {
    if (FText.size() - FPos < 4) Fail("short \\u escape");
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = FText[FPos++];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) Fail("bad \\u escape");
      value = value * 16 + digit;
    }
    return value;
  }

  uint32_t ParseEscapedCodePoint() {
    const uint32_t high = ParseHex4();
    if (high < 0xD800 || high > 0xDFFF) return high;
    if (high > 0xDBFF || FText.compare(FPos, 2, "\\u") != 0) Fail("lone surrogate");
    FPos += 2;
    const uint32_t low = ParseHex4();
    if (low < 0xDC00 || low > 0xDFFF) Fail("lone surrogate");
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
  }

  static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  JsonValue ParseNumber() {
    const size_t start = FPos;
    auto digits = [&] {
      const size_t first = FPos;
      while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') ++FPos;
      if (FPos == first) Fail("bad number");
    };
    if (Peek() == '-') ++FPos;
    if (Peek() == '0')
      ++FPos;
    else
      digits();
    bool integral = true;
    if (Peek() == '.') {
      ++FPos;
      digits();
      integral = false;
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++FPos;
      if (Peek() == '+' || Peek() == '-') ++FPos;
      digits();
      integral = false;
    }
    const std::string literal = FText.substr(start, FPos - start);
    if (integral) {
      errno = 0;
      const long long value = std::strtoll(literal.c_str(), nullptr, 10);
      if (errno == 0) return JsonValue(static_cast<int64_t>(value));
    }
    return JsonValue(std::strtod(literal.c_str(), nullptr));
  }

  void ExpectWord(const char* word) {
    const std::string w(word);
    if (FText.compare(FPos, w.size(), w) != 0) Fail("unexpected character");
    FPos += w.size();
  }

  char Peek() const { return FPos < FText.size() ? FText[FPos] : '\0'; }

  char SkipBlanks() {
    while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\n' || FText[FPos] == '\r'))
      ++FPos;
    return Peek();
  }

  // Names the line and column of the byte at `at` (by default, the current one).
  [[noreturn]] void Fail(const std::string& what, size_t at = std::string::npos) const {
    if (at == std::string::npos) at = FPos;
    int line = 1, column = 1;
    for (size_t i = 0; i < at && i < FText.size(); ++i) {
      if (FText[i] == '\n') {
        ++line;
        column = 1;
      } else if ((FText[i] & 0xC0) != 0x80) {
        ++column;
      }
    }
    throw std::runtime_error("JSON line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what);
  }

  const std::string& FText;
  size_t FPos = 0;
};

JsonValue ParseJson(const std::string& text) { return JsonParser(text).ParseDocument(); }
