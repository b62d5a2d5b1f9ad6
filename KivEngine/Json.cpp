#include "KivEngine/Json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "winport/Codepage.h"

namespace kivengine {

namespace {

// The UTF-8 form of every GBK character, made once from the code page
// converter: one entry per single byte at or above 0x80 and per double-byte
// pair; a zero first byte marks bytes that are no character there.
class GbkTable {
 public:
  GbkTable() {
    for (int b = 0x80; b <= 0xFF; ++b) {
      const char in[1] = {static_cast<char>(b)};
      Keep(in, 1, FSingle[b - 0x80]);
    }
    for (int lead = kFirstLead; lead <= kLastLead; ++lead)
      for (int trail = kFirstTrail; trail <= kLastTrail; ++trail) {
        const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        Keep(in, 2, FPair[(lead - kFirstLead) * kTrails + trail - kFirstTrail]);
      }
  }

  // The character that starts at text[i] (a byte at or above 0x80), and its
  // length in bytes; 0 when it is no character.
  size_t At(std::string_view text, size_t i, const char*& utf8) const {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    if (FSingle[lead - 0x80][0]) {
      utf8 = FSingle[lead - 0x80];
      return 1;
    }
    if (i + 1 >= text.size() || lead < kFirstLead || lead > kLastLead) return 0;
    const uint8_t trail = static_cast<uint8_t>(text[i + 1]);
    if (trail < kFirstTrail || trail > kLastTrail) return 0;
    utf8 = FPair[(lead - kFirstLead) * kTrails + trail - kFirstTrail];
    return utf8[0] ? 2 : 0;
  }

  static size_t Utf8Length(char lead) {
    const uint8_t b = static_cast<uint8_t>(lead);
    return b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  }

 private:
  static constexpr int kFirstLead = 0x81, kLastLead = 0xFE, kFirstTrail = 0x40, kLastTrail = 0xFE;
  static constexpr int kTrails = kLastTrail - kFirstTrail + 1;

  // Keeps the character when the bytes convert whole into one.
  static void Keep(const char* bytes, size_t size, char (&utf8)[4]) {
    const std::string character = GbkCharToUtf8(std::string_view(bytes, size));
    std::memcpy(utf8, character.data(), character.size());
  }

  char FSingle[0x80][4] = {};
  char FPair[(kLastLead - kFirstLead + 1) * kTrails][4] = {};
};

const GbkTable& Gbk() {
  static const std::unique_ptr<const GbkTable> table = std::make_unique<const GbkTable>();
  return *table;
}

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::string_view kReplacement = "\\ufffd";
// Input bytes taken per check of the buffer's room: each gives 6 bytes at most.
constexpr size_t kStringStep = 4096;

}  // namespace

void JsonWriter::Flush() {
  FOut.append(FBuffer.get(), FUsed);
  FUsed = 0;
}

void JsonWriter::RawLong(std::string_view text) {
  while (!text.empty()) {
    const size_t n = std::min(text.size(), kBufferSize);
    std::memcpy(Room(n), text.data(), n);
    FUsed += n;
    text.remove_prefix(n);
  }
}

void JsonWriter::Integer(int32_t value) {
  char* at = Room(16);
  FUsed = std::to_chars(at, at + 16, value).ptr - FBuffer.get();
}

namespace {

// Amounts and quantities mostly have two decimals or fewer. Such a number is
// the double nearest to its decimals, and below 1e12 no shorter decimal
// reads back the same, so the decimals themselves are the shortest form; with
// a fraction, or without trailing zeros, fixed notation is also shorter than
// scientific. Writes them and answers the end, or nil for other numbers.
char* WriteTwoDecimals(char* at, double value) {
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 0.01 && magnitude < 1e12)) return nullptr;
  const int64_t hundredths = std::llround(magnitude * 100);
  if (static_cast<double>(hundredths) / 100 != magnitude) return nullptr;
  const int64_t whole = hundredths / 100;
  const int fraction = static_cast<int>(hundredths % 100);
  if (fraction == 0 && whole % 10 == 0) return nullptr;  // trailing zeros: scientific may be shorter
  if (value < 0) *at++ = '-';
  at = std::to_chars(at, at + 16, whole).ptr;
  if (fraction != 0) {
    *at++ = '.';
    *at++ = static_cast<char>('0' + fraction / 10);
    if (fraction % 10) *at++ = static_cast<char>('0' + fraction % 10);
  }
  return at;
}

}  // namespace

void JsonWriter::Number(double value) {
  if (!std::isfinite(value)) return Raw("null");
  char* at = Room(32);
  if (char* end = WriteTwoDecimals(at, value)) {
    FUsed = end - FBuffer.get();
    return;
  }
  auto [end, error] = std::to_chars(at, at + 32, value);
  if (error == std::errc()) FUsed = end - FBuffer.get();
}

void JsonWriter::String(std::string_view gbk) {
  const GbkTable& table = Gbk();
  Char('"');
  for (size_t i = 0; i < gbk.size();) {
    const size_t stepEnd = std::min(gbk.size(), i + kStringStep);
    char* out = Room((stepEnd - i) * 6 + 6);
    while (i < stepEnd) {
      const char c = gbk[i];
      if (static_cast<uint8_t>(c) >= 0x80) {
        const char* utf8;
        const size_t used = table.At(gbk, i, utf8);
        if (used == 0) {
          out = std::copy(kReplacement.begin(), kReplacement.end(), out);
          ++i;
        } else {
          out = std::copy_n(utf8, GbkTable::Utf8Length(utf8[0]), out);
          i += used;
        }
      } else if (c == '"' || c == '\\') {
        *out++ = '\\';
        *out++ = c;
        ++i;
      } else if (static_cast<uint8_t>(c) < 0x20) {
        out = std::copy_n("\\u00", 4, out);
        *out++ = kHexDigits[c >> 4];
        *out++ = kHexDigits[c & 15];
        ++i;
      } else {
        *out++ = c;
        ++i;
      }
    }
    FUsed = out - FBuffer.get();
  }
  Char('"');
}

}  // namespace kivengine
