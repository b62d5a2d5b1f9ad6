// The class library's directory search on POSIX: the attribute filter (hidden
// from the name, read-only from the mode) and the local MS-DOS time of each item.
#include "rtl/FileSearch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <set>
#include <string>

#include "tests/ScratchFolder.h"
#include "tests/rtl/SearchNames.h"

namespace {

TEST(FindFirst, HiddenSystemAndDirectoryItemsOnlyWhenAsked) {
  ScratchFolder dir;
  dir.Write("plain", "p");
  dir.Write(".hidden", "h");
  dir.Write("locked", "r");
  chmod((dir / "locked").c_str(), 0444);
  dir.Write("sub/inner", "i");
  const std::string all = dir / "*";
  EXPECT_EQ(Search(all, 0), (std::set<std::string>{"plain", "locked"}));
  EXPECT_EQ(Search(all, faReadOnly | faArchive), (std::set<std::string>{"plain", "locked"}));
  EXPECT_EQ(Search(all, faHidden), (std::set<std::string>{"plain", "locked", ".hidden"}));
  EXPECT_EQ(Search(all, faDirectory), (std::set<std::string>{"plain", "locked", ".", "..", "sub"}));
  EXPECT_EQ(Search(all, faAnyFile).size(), 6u);
  TSearchRec found;
  EXPECT_EQ(FindFirst(dir / ".hidden", 0, found), ERROR_NO_MORE_FILES);
  EXPECT_EQ(FindFirst(dir / "none", faAnyFile, found), ERROR_FILE_NOT_FOUND);
}

TEST(FindFirst, TimeIsTheLocalDosDateTime) {
  ScratchFolder dir;
  dir.Write("f", "12345");
  struct tm parts = {};
  parts.tm_year = 2021 - 1900;
  parts.tm_mon = 2;
  parts.tm_mday = 4;
  parts.tm_hour = 5;
  parts.tm_min = 6;
  parts.tm_sec = 9;
  parts.tm_isdst = -1;
  const struct timespec times[2] = {{0, 0}, {mktime(&parts), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "f").c_str(), times, 0), 0);
  TSearchRec found;
  ASSERT_EQ(FindFirst(dir / "f", faAnyFile, found), 0);
  FindClose(found);
  EXPECT_EQ(found.Size, 5);
  EXPECT_EQ(found.Attr, faArchive);
  EXPECT_EQ(static_cast<uint32_t>(found.Time), (4u + (3u << 5) + (41u << 9)) << 16 | (4u + (6u << 5) + (5u << 11)));

  // Times MS-DOS cannot hold come as its first or last moment.
  const struct timespec old[2] = {{0, 0}, {86400 * 365, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "f").c_str(), old, 0), 0);
  ASSERT_EQ(FindFirst(dir / "f", faAnyFile, found), 0);
  FindClose(found);
  EXPECT_EQ(found.Time, 0x00210000);
  const struct timespec late[2] = {{0, 0}, {4500000000LL, 0}};  // 2112
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "f").c_str(), late, 0), 0);
  ASSERT_EQ(FindFirst(dir / "f", faAnyFile, found), 0);
  FindClose(found);
  EXPECT_EQ(static_cast<uint32_t>(found.Time), 0xFF9FBF7Du);
}

}  // namespace
