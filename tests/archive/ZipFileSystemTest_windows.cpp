// The archive on a Windows file system: the attributes and times the system
// keeps, GBK names whose second byte is "\", and the classic path limit.
#include <gtest/gtest.h>

#include <string>

#include "rtl/DateTime.h"
#include "tests/archive/ZipFiles.h"

namespace {

using namespace ziptest;

TEST_F(ZipFiles, AddFilesKeepsTheSystemsAttributesAndTimes) {
  src_.Write("hidden.txt", "h");
  ASSERT_TRUE(SetFileAttributesA((src_ / "a.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(SetFileAttributesA((src_ / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  // 13 September 2020, 12:26:40 UTC.
  const SYSTEMTIME utc{2020, 9, 0, 13, 12, 26, 40, 0};
  FILETIME time;
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
  HANDLE file = CreateFileA((src_ / "a.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);

  IntfPtr<IZipFile> zip = NewArchive();
  zip->AddFiles(Src(), "", false, "", 0);
  IntfPtr<IZipFileEntry> a = Named(zip, "a.txt");
  EXPECT_EQ(a->Attributes(), 0x21u);
  SYSTEMTIME local;
  ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
  EXPECT_DOUBLE_EQ(a->DateTime(), EncodeDate(local.wYear, local.wMonth, local.wDay) +
                                      EncodeTime(local.wHour, local.wMinute, local.wSecond / 2 * 2, 0));
  EXPECT_EQ(Named(zip, "hidden.txt")->Attributes(), 0x22u);
  EXPECT_EQ(NewArchive()->AddFiles(Src(), "", false, "", 0x30), 2);  // archive and directory: not the hidden file
  SetFileAttributesA((src_ / "a.txt").c_str(), FILE_ATTRIBUTE_NORMAL);  // so that the folder can go
}

// "\" and "/" are folder delimiters in an entry name; a 0x5C byte that ends a
// double-byte character is not, and the file takes that character's name.
TEST_F(ZipFiles, BackslashesInNamesAreDelimiters) {
  IntfPtr<IZipFile> zip = Hostile({Stored("win\\dir\\a.txt", "1"), Stored("\x81\x5C.txt", "2")});
  zip->ExtractFiles(out_.Path().string(), "win\\*");
  EXPECT_EQ(out_.Read("win/dir/a.txt"), "1");
  zip->ExtractFiles(out_.Path().string(), "");
  EXPECT_EQ(out_.Read(Utf8(u8"\u4E57.txt")), "2");
}

TEST_F(HostileNames, NamesPastTheClassicPathLimit) {
  const std::string part = std::string(256, 'p') + "/x.txt";
  std::string deep;
  while (deep.size() < 260) deep += "abcdefgh/";
  deep += "end.txt";
  ExpectRefused({Stored("good.txt", "g"), Stored(part, "e")}, Format(SZipUnsafeName, part, SZipNameTooLong));
  ExpectRefused({Stored(deep, "e")}, Format(SZipUnsafeName, deep, SZipNameTooLong));
}

}  // namespace
