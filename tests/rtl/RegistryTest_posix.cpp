#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

#include "rtl/Exceptions.h"
#include "rtl/Registry.h"
#include "tests/TempRegistry.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    FReg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(FReg.OpenKey("\\SoftWare\\Test\\", true));
  }
  void Set(const std::string& name, DWORD type, const std::string& data) {
    ASSERT_EQ(RegSetValueExA(FReg.CurrentKey(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  template <class Read>
  static std::string ErrorOf(Read read) {
    try {
      read();
    } catch (const ERegistryException& e) {
      return e.Message();
    }
    return "no error";
  }

  TempRegistry FTemp;
  TRegistry FReg;
};

TEST_F(Registry, ReadsStringsAndIntegersAsTheCatalogueNeedsThem) {
  Set("Text", REG_SZ, std::string("ab\0cd\0", 6));
  Set("Expand", REG_EXPAND_SZ, std::string("%PATH%\0", 7));
  Set("NoData", REG_BINARY, "");
  Set("Int", REG_DWORD, "\xFB\xFF\xFF\xFF");
  Set("Bin4", REG_BINARY, "1234");
  Set("Bin5", REG_BINARY, "12345");
  Set("Str3", REG_SZ, std::string("123\0", 4));
  Set("Str4", REG_SZ, std::string("1234\0", 5));
  EXPECT_EQ(FReg.ReadString("text"), "ab");
  EXPECT_EQ(FReg.ReadString("Expand"), "%PATH%");
  EXPECT_EQ(FReg.ReadString("Missing"), "");
  EXPECT_EQ(FReg.ReadString("NoData"), "");
  EXPECT_EQ(ErrorOf([&] { FReg.ReadString("Int"); }), "Invalid data type for 'Int'");
  EXPECT_EQ(FReg.ReadInteger("Int"), -5);
  EXPECT_EQ(ErrorOf([&] { FReg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
  EXPECT_EQ(ErrorOf([&] { FReg.ReadInteger("Bin4"); }), "Invalid data type for 'Bin4'");
  EXPECT_EQ(ErrorOf([&] { FReg.ReadInteger("Bin5"); }), "Failed to get data for 'Bin5'");
  EXPECT_EQ(ErrorOf([&] { FReg.ReadInteger("Str3"); }), "Invalid data type for 'Str3'");
  EXPECT_EQ(ErrorOf([&] { FReg.ReadInteger("Str4"); }), "Failed to get data for 'Str4'");
  EXPECT_TRUE(FReg.ValueExists("NoData"));
  EXPECT_FALSE(FReg.ValueExists("Missing"));
}

TEST_F(Registry, OpensAbsoluteAndRelativePathsAndListsKeys) {
  ASSERT_TRUE(FReg.OpenKey("b", true));
  ASSERT_TRUE(FReg.OpenKey("\\SoftWare\\Test\\A", true));
  ASSERT_TRUE(FReg.OpenKey("\\SoftWare\\Test\\\\c", true));
  EXPECT_FALSE(FReg.OpenKey("\\SoftWare\\Test\\Missing", false));
  EXPECT_NE(FReg.CurrentKey(), nullptr);  // a failed open keeps the current key
  ASSERT_TRUE(FReg.OpenKeyReadOnly("\\software\\test\\"));
  TStringList names;
  FReg.GetKeyNames(names);
  ASSERT_EQ(names.Count(), 3);
  EXPECT_EQ(names.Strings(0), "A");
  EXPECT_EQ(names.Strings(1), "b");
  EXPECT_EQ(names.Strings(2), "c");
  FReg.CloseKey();
  EXPECT_EQ(FReg.CurrentKey(), nullptr);
  FReg.GetKeyNames(names);
  EXPECT_EQ(names.Count(), 0);
}

TEST_F(Registry, ReadOnlyOpeningFallsBackToQueryAccess) {
  Set("BQID", REG_DWORD, std::string("\x07\0\0\0", 4));
  FReg.CloseKey();
  chmod((FTemp.Root() + "/HKEY_LOCAL_MACHINE/SoftWare/Test").c_str(), 0111);
  int rc = RunUnprivileged([] {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (reg.OpenKey("\\SoftWare\\Test", false)) return 1;
    if (!reg.OpenKeyReadOnly("\\SoftWare\\Test")) return 2;
    if (reg.ReadInteger("BQID") != 7) return 3;
    TStringList names;
    reg.GetKeyNames(names);  // not listable: nothing, and no error
    return names.Count() == 0 ? 0 : 4;
  });
  EXPECT_EQ(rc, 0);
}

}  // namespace
