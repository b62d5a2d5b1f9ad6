#include <gtest/gtest.h>

#include <string>

#include "tests/Programs.h"
#include "tests/ScratchFolder.h"

namespace {

uint32_t BigEndian(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

TEST(TarvikDraw, WritesTheSheetAsAPng) {
  ScratchFolder folder;
  EXPECT_EQ(RunProgram("tarvik-draw", {folder / "sheet.png"}), 0);
  const std::string bytes = folder.Read("sheet.png");
  ASSERT_GT(bytes.size(), 33u);
  EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_EQ(bytes.substr(12, 4), "IHDR");
  EXPECT_GT(BigEndian(bytes, 16), 1000u);  // six cells of each case side by side
  EXPECT_GT(BigEndian(bytes, 20), 1000u);

  std::string err;
  EXPECT_EQ(RunProgram("tarvik-draw", {}, nullptr, &err), 2);
  EXPECT_NE(err.find("usage"), std::string::npos);
  EXPECT_EQ(RunProgram("tarvik-draw", {folder / "absent/sheet.png"}, nullptr, &err), 1);
}

}  // namespace
