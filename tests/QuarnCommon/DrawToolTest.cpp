#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/Programs.h"

namespace {

uint32_t BigEndian(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

TEST(TarvikDraw, WritesTheSheetAsAPng) {
  char folder[] = "/tmp/tarvik-draw-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string out = std::string(folder) + "/sheet.png";
  EXPECT_EQ(RunProgram("tarvik-draw", "'" + out + "'"), 0);
  std::ifstream file(out, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 33u);
  EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_EQ(bytes.substr(12, 4), "IHDR");
  EXPECT_GT(BigEndian(bytes, 16), 1000u);  // six cells of each case side by side
  EXPECT_GT(BigEndian(bytes, 20), 1000u);

  std::string err;
  EXPECT_EQ(RunProgram("tarvik-draw", "", nullptr, &err), 2);
  EXPECT_NE(err.find("usage"), std::string::npos);
  EXPECT_EQ(RunProgram("tarvik-draw", "'" + std::string(folder) + "/absent/sheet.png'", nullptr, &err), 1);
  std::filesystem::remove_all(folder);
}

}  // namespace
