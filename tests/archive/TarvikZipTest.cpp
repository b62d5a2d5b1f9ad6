// The tarvik-zip command: its three commands, its errors (status 1) and its
// usage (status 2).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "rtl/Paths.h"
#include "tests/Programs.h"
#include "tests/ScratchFolder.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(TarvikZip, AddListExtract) {
  ScratchFolder dir;
  dir.Write("src/a.txt", "abc");
  dir.Write(Utf8(u8"src/中文/b.txt"), "b");
  const std::string archive = dir / "t.zip";
  std::string out, err;
  ASSERT_EQ(RunProgram("tarvik-zip", {"add", archive, dir / "src", "--password", "pw"}, &out, &err), 0) << err;
  EXPECT_EQ(out, "tarvik-zip: added 3 entries to " + dir / "t.zip" + "\n");
  ASSERT_EQ(RunProgram("tarvik-zip", {"list", archive}, &out, &err), 0) << err;
  const std::vector<std::string> lines = Lines(out);
  ASSERT_EQ(lines.size(), 3u);
  bool sawA = false;
  for (const std::string& line : lines) {
    if (line.rfind("a.txt\t", 0) != 0) continue;
    sawA = true;
    const std::string head = "a.txt\t3\t17\t352441c2\t20";  // name, size, packed, CRC-32, the year's start
    EXPECT_EQ(line.substr(0, head.size()), head);
    EXPECT_EQ(line.size(), head.size() + 17);  // yyyy-mm-dd hh:mm:ss
  }
  EXPECT_TRUE(sawA) << out;
  EXPECT_NE(out.find(Utf8(u8"中文/b.txt\t1\t")), std::string::npos) << out;

  // Loaded and extended; then extracted by a mask, which sees local names.
  ASSERT_EQ(RunProgram("tarvik-zip", {"add", archive, dir / "src", "--password", "pw", "--mask", "*.txt", "--no-recurse",
                                     "--base", dir.Path().string()}),
            0);
  ASSERT_EQ(RunProgram("tarvik-zip", {"list", archive}, &out), 0);
  EXPECT_EQ(Lines(out).size(), 4u);
  EXPECT_NE(out.find("src/a.txt\t"), std::string::npos);
  ASSERT_EQ(RunProgram("tarvik-zip", {"extract", archive, dir / "out", "--password", "pw", "--mask", std::string("*") + PathDelim + "b.txt"},
                       nullptr, &err),
            0)
      << err;
  EXPECT_EQ(dir.Read(Utf8(u8"out/中文/b.txt")), "b");
  EXPECT_FALSE(std::filesystem::exists(dir / "out/a.txt"));

  EXPECT_EQ(RunProgram("tarvik-zip", {"extract", archive, dir / "bad", "--password", "wrong"}, &out, &err), 1);
  EXPECT_EQ(err, Utf8(u8"tarvik-zip: 文件密码不正确\n"));
  EXPECT_EQ(RunProgram("tarvik-zip", {"list", dir / "missing.zip"}, &out, &err), 1);
  EXPECT_NE(err.find("Cannot open file"), std::string::npos) << err;
}

TEST(TarvikZip, BadArgumentsExitTwo) {
  const std::vector<std::vector<std::string>> bad = {{},
                                                      {"frob", "x"},
                                                      {"list"},
                                                      {"list", "a", "b"},
                                                      {"add", "a.zip"},
                                                      {"extract", "a.zip", "d", "--attr", "1"},
                                                      {"add", "a.zip", "d", "--attr", "twelve"},
                                                      {"add", "a.zip", "d", "--mask"},
                                                      {"list", "a.zip", "--no-recurse"}};
  for (const std::vector<std::string>& arguments : bad) {
    std::string err;
    EXPECT_EQ(RunProgram("tarvik-zip", arguments, nullptr, &err), 2) << arguments.size();
    EXPECT_NE(err.find("usage: tarvik-zip"), std::string::npos) << arguments.size();
  }
}

}  // namespace
