#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

TEST(TarvikLibrary, ExportsGetTarviksOnly) {
  std::string command = "nm -D --defined-only '" + std::string(std::getenv("TARVIK_BIN")) + "/libTarvik.so'";
  FILE* p = popen(command.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string symbols;
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    std::string s(line);
    symbols += s.substr(s.rfind(' ') + 1);
  }
  ASSERT_EQ(pclose(p), 0);
  EXPECT_EQ(symbols, "GetTarviks\n");
}

}  // namespace
