// The rate library builder's command with the POSIX registry store: the
// catalogue entry it writes, in either form, installs with winreg.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/Programs.h"
#include "tests/ScratchFolder.h"
#include "tests/TempRegistry.h"
#include "winport/Registry.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class RateBQBuildCommandWinreg : public ::testing::Test {
 protected:
  ScratchFolder Scratch;
  const std::string Folder = Scratch.Path().string();
};

TEST_F(RateBQBuildCommandWinreg, WritesTheFolderModelsAndACatalogueEntryThatWinregInstalls) {
  TempRegistry registry;
  const std::string source = std::string(std::getenv("TARVIK_SOURCE")) + "/samples/RateLibrary.json";
  const std::string model = std::string(std::getenv("TARVIK_BIN")) + "/" + Utf8(u8"预算综合单价库.Kiv");
  std::string err;
  ASSERT_EQ(RunProgram("ratebq-build",
                       {source, Folder + "/lib", "--password", "pw", "--model", model, "--templ", model, "--reg",
                        Folder + "/lib.reg", "--bqid", "-5", "--region", Utf8(u8"示例省"), "--period", "2024", "--type",
                        Utf8(u8"房屋建筑"), "--region-id", "11", "--period-id", "2024"},
                       nullptr, &err),
            0)
      << err;
  for (const char* file : {"RateBQ.Kiv", "Templ_BQ.Kiv", "Resource.idx", "Resource.data", "RateBQ.Index", "RateBQ.data"})
    EXPECT_TRUE(std::filesystem::exists(Folder + "/lib/" + file)) << file;
  EXPECT_EQ(ReadFile(Folder + "/lib/RateBQ.Kiv"), ReadFile(model));

  EXPECT_EQ(ReadFile(Folder + "/lib.reg"), Utf8(u8"Windows Registry Editor Version 5.00\n\n"
                                                u8"[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\lib]\n"
                                                u8"\"库类型\"=\"房屋建筑\"\n"
                                                u8"\"BQID\"=dword:fffffffb\n"
                                                u8"\"地区\"=\"示例省\"\n"
                                                u8"\"期名称\"=\"2024\"\n"
                                                u8"\"PathName\"=\"") +
                                               Folder + "/lib\"\n\"RegionID\"=dword:0000000b\n\"PeriodID\"=dword:000007e8\n");
  ASSERT_EQ(RunProgram("winreg", {"import", Folder + "/lib.reg"}), 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\lib", 0, KEY_READ, &key), ERROR_SUCCESS);
  char text[256];
  DWORD size = sizeof text, type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "库类型", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_STREQ(text, "房屋建筑");  // GBK, as the catalogue reads it
  RegCloseKey(key);

  // regedit's form installs the same.
  ASSERT_EQ(RunProgram("ratebq-build", {source, Folder + "/lib", "--password", "pw", "--reg", Folder + "/lib16.reg",
                                        "--utf16", "--bqid", "9", "--type", Utf8(u8"市政")}),
            0);
  ASSERT_EQ(RunProgram("winreg", {"import", Folder + "/lib16.reg"}), 0);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\lib", 0, KEY_READ, &key), ERROR_SUCCESS);
  size = sizeof text;
  ASSERT_EQ(RegQueryValueExA(key, "库类型", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_STREQ(text, "市政");
  RegCloseKey(key);
}

}  // namespace
