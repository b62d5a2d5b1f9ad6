#include "winport/RegistryText.h"

#include <cctype>
#include <cstdio>

#include "winport/Codepage.h"
#include "winport/Registry.h"

namespace {

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", static_cast<unsigned char>(bytes[i]));
    out += buf;
  }
  return out;
}

// A REG_SZ that the quoted form holds exactly: one terminating NUL, no other
// NUL, and no line break (a quoted string cannot span lines).
bool QuotableText(std::string_view data) {
  if (data.empty() || data.back() != '\0') return false;
  return data.substr(0, data.size() - 1).find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

class Cursor {
 public:
  explicit Cursor(std::string_view s) : FText(s) {}

  void SkipBlanks() {
    while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t')) ++FPos;
  }
  bool AtEnd() const { return FPos >= FText.size(); }
  bool Take(std::string_view word) {
    if (FText.substr(FPos, word.size()) != word) return false;
    FPos += word.size();
    return true;
  }
  // A quoted string with \\ and \" escapes; the cursor stands on the quote.
  bool QuotedString(std::string& out) {
    if (!Take("\"")) return false;
    out.clear();
    while (FPos < FText.size()) {
      char c = FText[FPos++];
      if (c == '"') return true;
      if (c == '\\' && FPos < FText.size() && (FText[FPos] == '\\' || FText[FPos] == '"')) c = FText[FPos++];
      out += c;
    }
    return false;
  }
  // Up to `maxDigits` hexadecimal digits, at least one.
  bool HexNumber(int maxDigits, uint32_t& value) {
    int digits = 0;
    value = 0;
    while (digits < maxDigits && FPos < FText.size() && std::isxdigit(static_cast<unsigned char>(FText[FPos]))) {
      char c = static_cast<char>(std::tolower(static_cast<unsigned char>(FText[FPos++])));
      value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
      ++digits;
    }
    return digits > 0;
  }
  // Comma-separated bytes of one or two hex digits; an empty list is no bytes.
  bool ByteList(std::string& out) {
    out.clear();
    SkipBlanks();
    if (AtEnd()) return true;
    for (;;) {
      uint32_t b;
      SkipBlanks();
      if (!HexNumber(2, b)) return false;
      out += static_cast<char>(b);
      SkipBlanks();
      if (AtEnd()) return true;
      if (!Take(",")) return false;
    }
  }

 private:
  std::string_view FText;
  size_t FPos = 0;
};

// The length of the UTF-8 character at the start of `s`; 0 when its bytes are
// no character (a stray byte, a cut or overlong form, a surrogate).
size_t Utf8CharLength(std::string_view s) {
  const auto byte = [&](size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
  const unsigned c = byte(0);
  if (c < 0x80) return 1;
  size_t n;
  unsigned low = 0x80, high = 0xBF;  // the bounds of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < n; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return n;
}

uint16_t UnitAt(std::string_view utf16, size_t i) {
  return static_cast<uint16_t>(static_cast<unsigned char>(utf16[i]) | static_cast<unsigned char>(utf16[i + 1]) << 8);
}

bool Fail(std::string& error, const char* why) {
  error = why;
  return false;
}

}  // namespace

bool IsRegTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

std::string RegTextToUtf16Le(std::string_view utf8) {
  std::string out;
  size_t run = 0;  // start of the characters not yet converted
  for (size_t i = 0; i < utf8.size();) {
    if (size_t n = Utf8CharLength(utf8.substr(i))) {
      i += n;
      continue;
    }
    out += Utf8ToUtf16Le(utf8.substr(run, i - run));
    out += utf8[i];
    out += '\xDC';
    run = ++i;
  }
  return out + Utf8ToUtf16Le(utf8.substr(run));
}

std::string RegTextFromUtf16Le(std::string_view utf16) {
  std::string out;
  size_t run = 0;
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
    const uint16_t unit = UnitAt(utf16, i);
    const bool paired = i >= 2 && UnitAt(utf16, i - 2) >= 0xD800 && UnitAt(utf16, i - 2) <= 0xDBFF;
    if (unit < 0xDC80 || unit > 0xDCFF || paired) continue;
    out += Utf16LeToUtf8(utf16.substr(run, i - run));
    out += static_cast<char>(unit & 0xFF);
    run = i + 2;
  }
  return out + Utf16LeToUtf8(utf16.substr(run));
}

std::string FormatRegValue(const RegValue& value) {
  std::string line = value.Name.empty() ? "@" : Quote(value.Name);
  line += '=';
  if (value.Type == REG_SZ && QuotableText(value.Data)) return line + Quote(value.Data.substr(0, value.Data.size() - 1));
  if (value.Type == REG_DWORD && value.Data.size() == 4) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(value.Data[i]);
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", v);
    return line + buf;
  }
  if (value.Type == REG_BINARY) return line + "hex:" + HexBytes(value.Data);
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.Type));
  return line + prefix + HexBytes(IsRegTextType(value.Type) ? RegTextToUtf16Le(value.Data) : value.Data);
}

bool ParseRegValue(std::string_view line, RegValue& value, bool& deletes, std::string& error, RegHexText hexText) {
  Cursor in(line);
  deletes = false;
  in.SkipBlanks();
  if (in.Take("@")) {
    value.Name.clear();
  } else if (!in.QuotedString(value.Name)) {
    return Fail(error, "a value line starts with a quoted name or @");
  }
  in.SkipBlanks();
  if (!in.Take("=")) return Fail(error, "'=' expected after the value name");
  in.SkipBlanks();
  if (in.Take("-")) {
    deletes = true;
  } else if (in.QuotedString(value.Data)) {
    value.Type = REG_SZ;
    value.Data += '\0';
  } else if (in.Take("dword:")) {
    uint32_t v;
    if (!in.HexNumber(8, v)) return Fail(error, "dword: needs up to eight hexadecimal digits");
    value.Type = REG_DWORD;
    value.Data.clear();
    for (int i = 0; i < 4; ++i, v >>= 8) value.Data += static_cast<char>(v & 0xFF);
  } else if (in.Take("hex")) {
    uint32_t type = REG_BINARY;
    if (in.Take("(") && !(in.HexNumber(8, type) && in.Take(")")))
      return Fail(error, "hex(N): needs a hexadecimal type number");
    if (!in.Take(":") || !in.ByteList(value.Data)) return Fail(error, "malformed hex byte list");
    value.Type = type;
    if (IsRegTextType(type) && hexText == RegHexText::Ansi) {
      value.Data = GbkToUtf8(value.Data);
    } else if (IsRegTextType(type)) {
      if (value.Data.size() % 2) return Fail(error, "text in hex(1) or hex(2) needs whole UTF-16 characters");
      value.Data = RegTextFromUtf16Le(value.Data);
    }
  } else {
    return Fail(error, "unknown value data");
  }
  in.SkipBlanks();
  if (!in.AtEnd()) return Fail(error, "unexpected text after the value");
  return true;
}

std::string WindowsRegFile(std::string_view text) {
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return "\xFF\xFE" + RegTextToUtf16Le(crlf);
}
