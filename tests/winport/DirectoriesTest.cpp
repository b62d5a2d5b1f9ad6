// The directory search: Windows pattern rules over UTF-8 names on disk, the
// attributes mapped from POSIX, and what the search must not report.
#include "winport/Directories.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <map>
#include <set>
#include <string>

#include "tests/ScratchFolder.h"
#include "winport/Codepage.h"
#include "winport/Errors.h"

namespace {

// name → attributes of everything the pattern finds.
std::map<std::string, DWORD> Found(const std::string& pattern) {
  std::map<std::string, DWORD> found;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do found[data.cFileName] = data.dwFileAttributes;
  while (FindNextFileA(search, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(search));
  return found;
}

std::set<std::string> Names(const std::string& pattern) {
  std::set<std::string> names;
  for (const auto& [name, attributes] : Found(pattern)) names.insert(name);
  return names;
}

class FindFiles : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.txt", "B.TXT", "noext", "x.tar.gz"}) dir_.Write(name, name);
    dir_.Write(Utf8(u8"中.txt"), "gbk");
    ASSERT_EQ(mkdir((dir_ / "sub").c_str(), 0777), 0);
  }
  std::string Pattern(const std::string& mask) const { return dir_ / mask; }

  ScratchFolder dir_;
};

TEST_F(FindFiles, WindowsPatternRules) {
  const std::set<std::string> all = {".", "..", "a.txt", "B.TXT", "noext", "x.tar.gz", "\xD6\xD0.txt", "sub"};
  EXPECT_EQ(Names(Pattern("*")), all);
  EXPECT_EQ(Names(Pattern("*.*")), all);  // names without a dot too
  EXPECT_EQ(Names(Pattern("*.txt")), (std::set<std::string>{"a.txt", "B.TXT", "\xD6\xD0.txt"}));
  EXPECT_EQ(Names(Pattern("?.TxT")), (std::set<std::string>{"a.txt", "B.TXT", "\xD6\xD0.txt"}));  // 中 is one character
  EXPECT_EQ(Names(Pattern("x*.*")), (std::set<std::string>{"x.tar.gz"}));
  EXPECT_EQ(Names(Pattern("n*.*")), (std::set<std::string>{"noext"}));
  EXPECT_EQ(Names(Pattern("\xD6\xD0*")), (std::set<std::string>{"\xD6\xD0.txt"}));  // a GBK pattern
  // Without wildcards the name must be exact: this file system tells case.
  EXPECT_EQ(Names(Pattern("a.txt")), (std::set<std::string>{"a.txt"}));
  EXPECT_TRUE(Names(Pattern("A.TXT")).empty());
}

TEST_F(FindFiles, FailuresSayWhy) {
  WIN32_FIND_DATAA data;
  EXPECT_EQ(FindFirstFileA(Pattern("*.none").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA(Pattern("missing/*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA(Pattern("missing").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFileA((dir_ / "sub/").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &data));
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

TEST_F(FindFiles, AttributesFromThePosixFile) {
  dir_.Write(".hidden", "h");
  dir_.Write("locked", "r");
  ASSERT_EQ(chmod((dir_ / "locked").c_str(), 0444), 0);
  ASSERT_EQ(chmod((dir_ / "a.txt").c_str(), 0200), 0);  // owner may write: not read-only
  ASSERT_EQ(symlink("sub", (dir_ / "to-sub").c_str()), 0);
  const std::map<std::string, DWORD> found = Found(Pattern("*"));
  EXPECT_EQ(found.at("sub"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(found.at("to-sub"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(found.at(".."), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(found.at("noext"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(found.at("a.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(found.at(".hidden"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(found.at("locked"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
}

// Reading a FIFO would wait for a writer forever; a dangling link is nothing.
TEST_F(FindFiles, OnlyFilesAndFoldersAreReported) {
  ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0666), 0);
  ASSERT_EQ(symlink("nowhere", (dir_ / "dangling").c_str()), 0);
  const std::set<std::string> names = Names(Pattern("*"));
  EXPECT_EQ(names.count("pipe"), 0u);
  EXPECT_EQ(names.count("dangling"), 0u);
  EXPECT_EQ(names.count("a.txt"), 1u);
  EXPECT_TRUE(Names(Pattern("pipe")).empty());
  EXPECT_TRUE(Names("/dev/null").empty());
}

TEST_F(FindFiles, SizeAndLastWriteTime) {
  const struct timespec times[2] = {{1600000000, 0}, {1600000001, 500000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir_ / "x.tar.gz").c_str(), times, 0), 0);
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(Pattern("x.tar.gz").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  EXPECT_EQ(data.nFileSizeLow, 8u);
  const uint64_t ticks = static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                         data.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(ticks, (1600000001ULL + 11644473600ULL) * 10000000 + 5000000);
}

TEST(FileTimes, DosDateTimeAndLocalTime) {
  const uint64_t ticks = (1600000001ULL + 11644473600ULL) * 10000000;  // 2020-09-13 12:26:41 UTC
  const FILETIME utc = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  WORD date, time;
  ASSERT_TRUE(FileTimeToDosDateTime(&utc, &date, &time));
  EXPECT_EQ(date, 13 + (9 << 5) + (40 << 9));
  EXPECT_EQ(time, 41 / 2 + (26 << 5) + (12 << 11));

  FILETIME local;
  ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
  const time_t seconds = 1600000001;
  struct tm parts;
  localtime_r(&seconds, &parts);
  const uint64_t localTicks = static_cast<uint64_t>(local.dwHighDateTime) << 32 | local.dwLowDateTime;
  EXPECT_EQ(static_cast<int64_t>(localTicks - ticks), static_cast<int64_t>(parts.tm_gmtoff) * 10000000);

  const uint64_t in1979 = (299000000ULL + 11644473600ULL) * 10000000;
  const FILETIME early = {static_cast<DWORD>(in1979), static_cast<DWORD>(in1979 >> 32)};
  EXPECT_FALSE(FileTimeToDosDateTime(&early, &date, &time));
}

TEST(CreateDirectory, OneLevelAtATime) {
  ScratchFolder dir;
  EXPECT_TRUE(CreateDirectoryA((dir / "new").c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA((dir / "new").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryA((dir / "a/b").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(CreateDirectoryA((dir.Path().string() + "/\xD6\xD0").c_str(), nullptr));  // GBK in, UTF-8 on disk
  EXPECT_TRUE(std::filesystem::is_directory(dir / Utf8(u8"中")));
}

}  // namespace
