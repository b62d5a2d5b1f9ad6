#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/Programs.h"
#include "tests/TempRegistry.h"

namespace {

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

class Host : public ::testing::Test {
 protected:
  // Imports the shipped sample catalogue with its folders under /libs.
  void ImportSample() {
    std::ifstream in(std::string(std::getenv("TARVIK_SOURCE")) + "/samples/RateBQs.reg");
    std::stringstream text;
    text << in.rdbuf();
    std::string reg = text.str();
    for (size_t at; (at = reg.find("@LIBRARIES@")) != std::string::npos;) reg.replace(at, 11, "/libs");
    std::string file = FRegistry.Dir() + "/sample.reg";
    std::ofstream(file) << reg;
    ASSERT_EQ(RunProgram("winreg", {"import", file}), 0);
  }

  TempRegistry FRegistry;
};

TEST_F(Host, ListsTheSampleCatalogueInUtf8) {
  ImportSample();
  std::string out;
  ASSERT_EQ(RunProgram("tarvik-host", {"list"}, &out), 0);
  EXPECT_EQ(out, Utf8(u8"0\t1002\t上海市\t2023年\t市政工程\t上海市2023年市政工程\t/libs/上海2023市政/\n"
                      u8"1\t1001\t北京市\t2024年第一期\t房屋建筑与装饰工程\t北京市2024年第一期房屋建筑与装饰工程\t/libs/北京2024建筑/\n"
                      u8"2\t1003\t广东省\t2024年第二期\t通用安装工程\t广东省2024年第二期通用安装工程\t/libs/广东2024安装/\n"));
  ASSERT_EQ(RunProgram("tarvik-host", {"--json", "list"}, &out), 0);
  EXPECT_EQ(out.substr(0, 2), "[\n");
  EXPECT_NE(out.find(Utf8(u8"{\"index\": 1, \"bqid\": 1001, \"region\": \"北京市\", \"period\": \"2024年第一期\", "
                          u8"\"type\": \"房屋建筑与装饰工程\", \"caption\": \"北京市2024年第一期房屋建筑与装饰工程\", "
                          u8"\"folder\": \"/libs/北京2024建筑/\"},\n")),
            std::string::npos)
      << out;
}

TEST_F(Host, ErrorsPrintTheLibrarysMessageInUtf8) {
  std::string file = FRegistry.Dir() + "/bad.reg";
  std::ofstream(file) << Utf8(u8"Windows Registry Editor Version 5.00\n"
                              u8"[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\坏]\n"
                              u8"\"库类型\"=\"T\"\n\"BQID\"=dword:1\n\"地区\"=dword:1\n");
  ASSERT_EQ(RunProgram("winreg", {"import", file}), 0);
  std::string out, err;
  EXPECT_EQ(RunProgram("tarvik-host", {"list"}, &out, &err), 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, Utf8(u8"tarvik-host: Invalid data type for '地区'\n"));
  EXPECT_EQ(RunProgram("tarvik-host", {"--library", "/nowhere/libTarvik.so", "list"}, &out, &err), 1);
  EXPECT_NE(err.find("cannot load the Tarvik library"), std::string::npos);
  EXPECT_EQ(RunProgram("tarvik-host", {"frobnicate"}, &out, &err), 2);
}

}  // namespace
