#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "winport/Registry.h"
#include "winport/RegistryText.h"

namespace {

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

RegValue Parse(const std::string& line) {
  RegValue v;
  bool deletes = true;
  std::string error;
  EXPECT_TRUE(ParseRegValue(line, v, deletes, error)) << line << ": " << error;
  EXPECT_FALSE(deletes);
  return v;
}

TEST(RegistryText, EveryTypeRoundTrips) {
  const std::vector<RegValue> values = {
      {Utf8(u8"地区"), REG_SZ, Utf8(u8"北京 \"旧\" C:\\库") + std::string(1, '\0')},
      {"", REG_SZ, std::string("default\0", 8)},
      {"BQID", REG_DWORD, std::string("\x2A\0\0\0", 4)},
      {"Neg", REG_DWORD, "\xFB\xFF\xFF\xFF"},
      {"Short", REG_DWORD, "\x01"},
      {"Path", REG_EXPAND_SZ, Utf8(u8"%TEMP%\\库") + std::string(1, '\0')},
      {"Lines", REG_SZ, std::string("a\nb\0", 4)},
      {"NoNul", REG_SZ, "abc"},
      {"Bin", REG_BINARY, std::string("\0\xFF\x10", 3)},
      {"Empty", REG_BINARY, ""},
      {"Q", REG_QWORD, std::string("\1\0\0\0\0\0\0\0", 8)},
  };
  for (const RegValue& v : values) {
    RegValue back = Parse(FormatRegValue(v));
    EXPECT_EQ(back.Name, v.Name);
    EXPECT_EQ(back.Type, v.Type) << v.Name;
    EXPECT_EQ(back.Data, v.Data) << v.Name;
  }
  EXPECT_EQ(FormatRegValue(values[2]), "\"BQID\"=dword:0000002a");
  EXPECT_EQ(FormatRegValue(values[5]), "\"Path\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,93,5e,00,00");
  EXPECT_EQ(FormatRegValue(values[6]), "\"Lines\"=hex(1):61,00,0a,00,62,00,00,00");
  EXPECT_EQ(FormatRegValue(values[9]), "\"Empty\"=hex:");
  EXPECT_EQ(FormatRegValue(values[10]), "\"Q\"=hex(b):01,00,00,00,00,00,00,00");
}

// Bytes that are no character (a text value set from bytes that are not GBK)
// stand as lone surrogates in the UTF-16 form, U+DC00 plus the byte, and come
// back as themselves; other lone surrogates in a file read as U+FFFD.
TEST(RegistryText, BytesThatAreNoCharacterKeepTheirPlaceAndValue) {
  const RegValue bad{"Bad", REG_EXPAND_SZ, std::string("\x81 ab\0", 5)};
  EXPECT_EQ(FormatRegValue(bad), "\"Bad\"=hex(2):81,dc,20,00,61,00,62,00,00,00");
  EXPECT_EQ(Parse(FormatRegValue(bad)).Data, bad.Data);
  EXPECT_EQ(Parse("\"Lone\"=hex(1):00,d8,41,00,00,00").Data, std::string("\xEF\xBF\xBD" "A\0", 5));
  EXPECT_EQ(Parse("\"Low\"=hex(1):41,dc,00,00").Data, std::string("\xEF\xBF\xBD\0", 4));  // below U+DC80: no byte
  EXPECT_EQ(Parse("\"Pair\"=hex(1):00,d8,81,dc").Data, "\xF0\x90\x82\x81");  // a pair is a character

  // Any bytes survive the way there and back, characters of every length and
  // cut or overlong forms mixed in.
  const std::string pieces[] = {"a", "\0", "\x81", "\xFF", "\xC3\xA9", "\xE5\x8C\x97", "\xF0\x9F\x98\x80", "\xE5\x8C",
                                "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xDC", "\r\n"};
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int n = random() % 12; n > 0; --n) text += pieces[random() % std::size(pieces)];
    ASSERT_EQ(RegTextFromUtf16Le(RegTextToUtf16Le(text)), text);
  }
}

// "REGEDIT4" files spell hex(1) and hex(2) text in the ANSI code page.
TEST(RegistryText, AnsiHexTextIsGbk) {
  RegValue v;
  bool deletes;
  std::string error;
  ASSERT_TRUE(ParseRegValue("\"p\"=hex(2):25,41,25,b1,b1,00", v, deletes, error, RegHexText::Ansi)) << error;
  EXPECT_EQ(v.Data, Utf8(u8"%A%北") + std::string(1, '\0'));
  ASSERT_TRUE(ParseRegValue("\"b\"=hex:b1,b1", v, deletes, error, RegHexText::Ansi));
  EXPECT_EQ(v.Data, "\xB1\xB1");  // bytes stay bytes
}

TEST(RegistryText, ParsesLooseSpellingAndDeletion) {
  RegValue v = Parse(" \"n\" = dword:2A ");
  EXPECT_EQ(v.Data, std::string("\x2A\0\0\0", 4));
  v = Parse("@=hex:1, 02 ,ff");
  EXPECT_EQ(v.Name, "");
  EXPECT_EQ(v.Data, "\x01\x02\xFF");
  bool deletes = false;
  std::string error;
  ASSERT_TRUE(ParseRegValue("\"gone\"=-", v, deletes, error));
  EXPECT_TRUE(deletes);
  EXPECT_EQ(v.Name, "gone");
}

TEST(RegistryText, RefusesMalformedLines) {
  for (const char* line : {"name=\"x\"", "\"n\"", "\"n\"=\"open", "\"n\"=dword:", "\"n\"=dword:123456789",
                           "\"n\"=hex:1,,2", "\"n\"=hex:123", "\"n\"=hex(2):41", "\"n\"=hex(zz):00", "\"n\"=word:1",
                           "\"n\"=\"x\" trailing"}) {
    RegValue v;
    bool deletes;
    std::string error;
    EXPECT_FALSE(ParseRegValue(line, v, deletes, error)) << line;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
