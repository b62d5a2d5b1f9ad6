// The class library's directory search on Windows: the attribute filter over
// the attributes the system keeps, and the local MS-DOS time of each item.
#include "rtl/FileSearch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/ScratchFolder.h"
#include "tests/rtl/SearchNames.h"

namespace {

// The last-write time of the file, given in local time.
void SetLocalWriteTime(const std::string& file, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                       WORD second) {
  const SYSTEMTIME local{year, month, 0, day, hour, minute, second, 0};
  SYSTEMTIME utc;
  FILETIME time;
  ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
  HANDLE handle = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &time));
  CloseHandle(handle);
}

TEST(FindFirst, HiddenSystemAndDirectoryItemsOnlyWhenAsked) {
  ScratchFolder dir;
  for (const char* name : {"plain", "hidden", "system", "locked", "sub/inner"}) dir.Write(name, name);
  ASSERT_TRUE(SetFileAttributesA((dir / "hidden").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA((dir / "system").c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetFileAttributesA((dir / "locked").c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string all = dir / "*";
  EXPECT_EQ(Search(all, 0), (std::set<std::string>{"plain", "locked"}));
  EXPECT_EQ(Search(all, faReadOnly | faArchive), (std::set<std::string>{"plain", "locked"}));
  EXPECT_EQ(Search(all, faHidden), (std::set<std::string>{"plain", "locked", "hidden"}));
  EXPECT_EQ(Search(all, faSysFile), (std::set<std::string>{"plain", "locked", "system"}));
  EXPECT_EQ(Search(all, faDirectory), (std::set<std::string>{"plain", "locked", ".", "..", "sub"}));
  EXPECT_EQ(Search(all, faAnyFile).size(), 7u);
  TSearchRec found;
  ASSERT_EQ(FindFirst(dir / "locked", 0, found), 0);
  FindClose(found);
  EXPECT_TRUE(found.Attr & faReadOnly);
  EXPECT_EQ(FindFirst(dir / "hidden", 0, found), ERROR_NO_MORE_FILES);
  EXPECT_EQ(FindFirst(dir / "none", faAnyFile, found), ERROR_FILE_NOT_FOUND);
  SetFileAttributesA((dir / "locked").c_str(), FILE_ATTRIBUTE_NORMAL);  // so that the folder can go
}

TEST(FindFirst, TimeIsTheLocalDosDateTime) {
  ScratchFolder dir;
  dir.Write("f", "12345");
  SetLocalWriteTime(dir / "f", 2021, 3, 4, 5, 6, 9);
  TSearchRec found;
  ASSERT_EQ(FindFirst(dir / "f", faAnyFile, found), 0);
  FindClose(found);
  EXPECT_EQ(found.Size, 5);
  EXPECT_EQ(static_cast<uint32_t>(found.Time), (4u + (3u << 5) + (41u << 9)) << 16 | (4u + (6u << 5) + (5u << 11)));

  // Times MS-DOS cannot hold come as its first or last moment.
  SetLocalWriteTime(dir / "f", 1971, 1, 1, 0, 0, 0);
  ASSERT_EQ(FindFirst(dir / "f", faAnyFile, found), 0);
  FindClose(found);
  EXPECT_EQ(found.Time, 0x00210000);
  SetLocalWriteTime(dir / "f", 2112, 8, 1, 0, 0, 0);
  ASSERT_EQ(FindFirst(dir / "f", faAnyFile, found), 0);
  FindClose(found);
  EXPECT_EQ(static_cast<uint32_t>(found.Time), 0xFF9FBF7Du);
}

}  // namespace
