#include "platform/KivUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/KivException.h"
#include "rtl/Exceptions.h"
#include "tests/platform/FoundNode.h"

namespace {

TEST(KivUtilsReaders, SignAndWidth) {
  TStringStream s(std::string("\xFF" "\xFF\x7F" "\x00\x80" "\x00\x80" "\x78\x56\x34\x12" "\xFE\xFF\xFF\xFF" "\x02", 16));
  EXPECT_EQ(ReadInt8(&s), -1);
  s.SetPosition(0);
  EXPECT_EQ(ReadUInt8(&s), 255);
  EXPECT_EQ(ReadInt16(&s), 32767);
  EXPECT_EQ(ReadInt16(&s), -32768);
  EXPECT_EQ(ReadUInt16(&s), 32768);
  EXPECT_EQ(ReadInt32(&s), 0x12345678);
  EXPECT_EQ(ReadInt32(&s), -2);
  EXPECT_EQ(ReadBool(&s), 2);  // the byte as read
  EXPECT_EQ(s.Position(), 16);
}

TEST(KivUtilsReaders, DoubleIsLittleEndianIeee) {
  TStringStream s(std::string("\x00\x00\x00\x00\x00\x00\xF8\x3F\x00\x00\x00\x00\x00\x00\xF0\xFF", 16));
  EXPECT_EQ(ReadDouble(&s), 1.5);
  EXPECT_TRUE(std::isinf(ReadDouble(&s)));
}

TEST(KivUtilsReaders, Strings) {
  TStringStream s(std::string("\x00\x03" "abc" "\x00\x00\x00\x00" "\x02\x00\x00\x00" "xy"
                              "\xFF\xFF\xFF\xFF" "z", 20));
  std::string text = "old";
  ReadShortString(&s, text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(s.Position(), 1);
  ReadShortString(&s, text);
  EXPECT_EQ(text, "abc");
  ReadLongString(&s, text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(s.Position(), 9);
  ReadLongString(&s, text);
  EXPECT_EQ(text, "xy");
  // A negative length: empty, and nothing consumed past the length.
  ReadLongString(&s, text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(s.Position(), 19);
  EXPECT_EQ(ReadUInt8(&s), 'z');
}

TEST(KivUtilsReaders, TruncatedValuesRaise) {
  TStringStream number(std::string("\x01\x02\x03", 3));
  EXPECT_THROW(ReadInt32(&number), EReadError);
  // A length the stream cannot back raises once the bytes run out, without
  // reserving the declared size first.
  TStringStream huge(std::string("\xFF\xFF\xFF\x7F" "abc", 7));
  std::string text;
  EXPECT_THROW(ReadLongString(&huge, text), EReadError);
  EXPECT_LE(text.capacity(), 1u << 20);
  TStringStream shortString(std::string("\x05" "ab", 3));
  EXPECT_THROW(ReadShortString(&shortString, text), EReadError);
}

TEST(VersionStrToInt, Packs) {
  EXPECT_EQ(VersionStrToInt(""), 0);
  EXPECT_EQ(VersionStrToInt("7"), 7);
  EXPECT_EQ(VersionStrToInt("7 "), 7);
  EXPECT_EQ(VersionStrToInt("1.2"), 258);
  EXPECT_EQ(VersionStrToInt("1.11.21"), 1 * 65536 + 11 * 256 + 21);
  EXPECT_EQ(VersionStrToInt("2.1.0"), 2 * 65536 + 256);
  EXPECT_EQ(VersionStrToInt("255.255.255"), (1 << 24) - 1);
  EXPECT_EQ(VersionStrToInt(" 1 . 2 . 3 "), VersionStrToInt("1.2.3"));
  EXPECT_EQ(VersionStrToInt("$A.0.0"), 10 * 65536);
  // An empty part ends the parse; what stands left of it is not looked at.
  EXPECT_EQ(VersionStrToInt("1.2."), 0);
  EXPECT_EQ(VersionStrToInt("1..2"), 2);
  EXPECT_EQ(VersionStrToInt("x..2"), 2);
  EXPECT_EQ(VersionStrToInt(".5"), 5);
}

TEST(VersionStrToInt, MalformedRaisesWithWholeString) {
  for (const std::string s : {"256.0.0", "1.-1.0", "1.x.3", "1.2.3.4", "a", "1.2.300", "$FFFFFFFF"}) {
    try {
      VersionStrToInt(s);
      ADD_FAILURE() << s;
    } catch (const EKivException& e) {
      EXPECT_EQ(e.ErrCode(), -1);
      EXPECT_EQ(e.Message(), "非法版本号[" + s + "]，版本号范围必须为[0,255]，且不允许带Build号");
    }
  }
}

TEST(SplitLastVersionPart, TakesTheLastPart) {
  std::string rest = "1.2.3", part;
  SplitLastVersionPart(rest, part);
  EXPECT_EQ(part, "3");
  EXPECT_EQ(rest, "1.2");
  rest = "7";
  SplitLastVersionPart(rest, part);
  EXPECT_EQ(part, "7");
  EXPECT_EQ(rest, "");
  rest = " 7 ";
  SplitLastVersionPart(rest, part);
  EXPECT_EQ(part, " 7 ");
  EXPECT_EQ(rest, "");
  rest = " 1 . 2 ";
  SplitLastVersionPart(rest, part);
  EXPECT_EQ(part, "2");
  EXPECT_EQ(rest, "1");
}

// The older variant has no data-type tables.
#ifndef TARVIK_OLDER_VARIANT
TEST(DataTypeNames, BuiltAtLoadFreedAtUnload) {
  KivUtilsInitialize();
  ASSERT_NE(DataTypeCodes, nullptr);
  ASSERT_NE(DataTypeNames, nullptr);
  EXPECT_EQ(DataTypeCodes->Count(), 23);
  EXPECT_EQ(DataTypeCodes->BucketCount(), 33);
  EXPECT_EQ(ValueOf(DataTypeCodes->Find("EDTINTEGER")), 10);
  EXPECT_EQ(ValueOf(DataTypeCodes->Find("edtinteger")), 10);
  EXPECT_EQ(ValueOf(DataTypeCodes->Find("edtRecordDynArray")), 62);
  EXPECT_EQ(DataTypeCodes->Find("edtNothing"), nullptr);
  EXPECT_EQ(DataTypeNames->Count(), 23);
  EXPECT_EQ(ValueOf(DataTypeNames->Find(56)), "edtView");
  EXPECT_EQ(ValueOf(DataTypeNames->Find(0)), "edtUnknown");
  EXPECT_EQ(DataTypeNames->Find(3), nullptr);
  KivUtilsFinalize();
  EXPECT_EQ(DataTypeCodes, nullptr);
  EXPECT_EQ(DataTypeNames, nullptr);
}
#endif

}  // namespace
