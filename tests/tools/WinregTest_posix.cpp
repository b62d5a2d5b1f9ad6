#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/Programs.h"
#include "tests/TempRegistry.h"
#include "winport/Registry.h"
#include "winport/RegistryText.h"

namespace {

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

class Winreg : public ::testing::Test {
 protected:
  static int Run(const std::vector<std::string>& arguments, std::string* out = nullptr) {
    return RunProgram("winreg", arguments, out);
  }
  std::string Write(const std::string& name, const std::string& text) {
    std::string path = FRegistry.Dir() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  TempRegistry FRegistry;
};

TEST_F(Winreg, ImportThenExportRoundTripsEveryValueType) {
  const std::string file = Utf8(u8R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SoftWare\Velmora\RateBQs]

[HKEY_LOCAL_MACHINE\SoftWare\Velmora\RateBQs\北京]
@="默认"
"库类型"="清单 \"2024\" C:\\库"
"BQID"=dword:0000002a
"RegionID"=dword:fffffffb
"PathName"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,93,5e,00,00
"数据"=hex:00,ff,10
"空"=hex:
"多行"=hex(1):61,00,0a,00,62,00,00,00
"Q"=hex(b):01,00,00,00,00,00,00,00

[HKEY_LOCAL_MACHINE\SoftWare\Velmora\RateBQs\上海]
"BQID"=dword:00000001

)");
  ASSERT_EQ(Run({"import", Write("in.reg", file)}), 0);
  std::string exported;
  ASSERT_EQ(Run({"export", "HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs"}, &exported), 0);
  // Sub-keys come out in case-insensitive order: 上 (U+4E0A) before 北 (U+5317).
  std::string expected = file;
  size_t beijing = expected.find(Utf8(u8"[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\北京]"));
  size_t shanghai = expected.find(Utf8(u8"[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\上海]"));
  expected = expected.substr(0, beijing) + expected.substr(shanghai) + expected.substr(beijing, shanghai - beijing);
  EXPECT_EQ(exported, expected);

  // The A-calls see the same values under GBK names.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\北京", 0, KEY_READ, &key), ERROR_SUCCESS);
  char text[64];
  DWORD type = 0, size = sizeof text;
  ASSERT_EQ(RegQueryValueExA(key, "库类型", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(text, size), std::string("清单 \"2024\" C:\\库\0", 18));
  RegCloseKey(key);
}

TEST_F(Winreg, DeletesKeysAndValues) {
  ASSERT_EQ(Run({"import", Write("a.reg", "Windows Registry Editor Version 5.00\r\n\r\n"
                                           "[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\"x\"=dword:1\r\n\"y\"=\"keep\"\r\n")}),
            0);
  ASSERT_EQ(Run({"import", Write("b.reg", "Windows Registry Editor Version 5.00\n\n"
                                           "[HKEY_LOCAL_MACHINE\\a\\b\\c]\n\"X\"=-\n\n[-HKEY_LOCAL_MACHINE\\A\\b\\Missing]\n")}),
            0);
  std::string exported;
  ASSERT_EQ(Run({"export", "HKLM\\a"}, &exported), 0);
  EXPECT_EQ(exported, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\n[HKEY_LOCAL_MACHINE\\A\\B]\n\n"
                      "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"y\"=\"keep\"\n\n");
  EXPECT_NE(Run({"import", Write("root.reg", "Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE\\]\n")}), 0);
  ASSERT_EQ(Run({"import", Write("c.reg", "Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE\\A\\B]\n")}), 0);
  ASSERT_EQ(Run({"export", "HKLM\\a"}, &exported), 0);
  EXPECT_EQ(exported, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\n");
}

TEST_F(Winreg, BadFilesChangeNothing) {
  EXPECT_NE(Run({"import", Write("bad.reg", "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\New]\n"
                                             "\"ok\"=dword:1\n\"bad\"=dword:xyz\n")}),
            0);
  EXPECT_NE(Run({"import", Write("head.reg", "Windows Registry Editor Version 4.00\n[HKEY_LOCAL_MACHINE\\New]\n")}), 0);
  EXPECT_NE(Run({"import", Write("mark.reg", "\xEF\xBB\xBFREGEDIT4\n[HKEY_LOCAL_MACHINE\\New]\n")}), 0);
  EXPECT_NE(Run({"import", Write("root.reg", "Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\New]\n")}), 0);
  EXPECT_NE(Run({"import", FRegistry.Dir() + "/absent.reg"}), 0);
  EXPECT_NE(Run({"export", "HKLM\\New"}), 0);
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// One catalogue entry in the three forms Windows tools write: regedit's
// UTF-16LE with a byte-order mark, UTF-8, and REGEDIT4 in the ANSI code page,
// whose hex(2) text is ANSI too. 淺 ends in the byte of a backslash in GBK.
// `export --utf16` writes regedit's form, and it reads back byte for byte.
TEST_F(Winreg, ReadsEveryFormWindowsToolsWriteAndWritesRegeditsOwn) {
  const std::string key = Utf8(u8"HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\淺价");
  const std::string unicode = Utf8(u8"Windows Registry Editor Version 5.00\n\n[") + key + Utf8(u8R"(]
"库类型"="清单淺"
"BQID"=dword:00000007
"PathName"=hex(2):25,00,44,00,25,00,5c,00,f7,4e,00,00

)");
  const std::string ansi =  // plain literals are GBK
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\淺价]\r\n\"库类型\"=\"清单淺\"\r\n"
      "\"BQID\"=dword:7\r\n\"PathName\"=hex(2):25,44,25,5c,bc,db,00\r\n";
  const std::string utf16 = "\xFF\xFE" + RegTextToUtf16Le(WithCrLf(unicode));
  const std::string forms[][2] = {
      {"utf8.reg", unicode}, {"bom.reg", "\xEF\xBB\xBF" + unicode}, {"utf16.reg", utf16}, {"ansi.reg", ansi}};
  const std::string remove = Write("remove.reg", "Windows Registry Editor Version 5.00\n[-HKLM\\SoftWare]\n");
  for (const auto& [name, bytes] : forms) {
    ASSERT_EQ(Run({"import", Write(name, bytes)}), 0) << name;
    std::string exported;
    ASSERT_EQ(Run({"export", key}, &exported), 0) << name;
    EXPECT_EQ(exported, unicode) << name;
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\淺价", 0, KEY_READ, &k), ERROR_SUCCESS);
    char text[32];
    DWORD size = sizeof text;
    ASSERT_EQ(RegQueryValueExA(k, "PathName", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(text, size), std::string("%D%\\价\0", 7)) << name;
    RegCloseKey(k);
    ASSERT_EQ(Run({"import", remove}), 0);
  }
  EXPECT_NE(Run({"import", Write("odd.reg", utf16 + "\n")}), 0);  // half a UTF-16 character

  ASSERT_EQ(Run({"import", Write("utf8.reg", unicode)}), 0);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\淺价", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  const std::string raw("\x81\x7f" "ab\0", 5);  // no GBK text: stored as its bytes
  ASSERT_EQ(RegSetValueExA(k, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw.data()), 5), ERROR_SUCCESS);
  RegCloseKey(k);
  std::string windows, exported;
  ASSERT_EQ(Run({"export", "--utf16", key}, &windows), 0);
  ASSERT_EQ(Run({"export", key}, &exported), 0);
  EXPECT_EQ(windows, "\xFF\xFE" + RegTextToUtf16Le(WithCrLf(exported)));
  EXPECT_EQ(windows.substr(0, 12), std::string("\xFF\xFEW\0i\0n\0d\0o\0", 12));
  ASSERT_EQ(Run({"import", remove}), 0);
  ASSERT_EQ(Run({"import", Write("windows.reg", windows)}), 0);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\淺价", 0, KEY_READ, &k), ERROR_SUCCESS);
  char text[8];
  DWORD size = sizeof text;
  ASSERT_EQ(RegQueryValueExA(k, "raw", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(text, size), raw);
  RegCloseKey(k);
}

// A name with a NUL byte once stood for its parent, so deleting it removed the
// parent. Such a name is no key's name: the file is refused, nothing changes.
TEST_F(Winreg, KeyNamesWithNulDeleteNothing) {
  ASSERT_EQ(Run({"import", Write("lib.reg", "Windows Registry Editor Version 5.00\n"
                                             "[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\Lib]\n\"BQID\"=dword:1\n")}),
            0);
  const std::string nul(1, '\0');
  for (const std::string& path : {"HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\" + nul + "NotThere",
                                  "HKEY_LOCAL_MACHINE\\" + nul, "HKEY_LOCAL_MACHINE\\SoftWare\\" + nul + "\\x"}) {
    std::string file = "Windows Registry Editor Version 5.00\n[-" + path + "]\n";
    EXPECT_NE(Run({"import", Write("nul.reg", file)}), 0) << path.size();
    file = "Windows Registry Editor Version 5.00\n[" + path + "]\n\"v\"=dword:2\n";
    EXPECT_NE(Run({"import", Write("nul.reg", file)}), 0) << path.size();
  }
  EXPECT_NE(Run({"import", Write("nul.reg", "Windows Registry Editor Version 5.00\n"
                                             "[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\Lib]\n\"BQID" +
                                                 nul + "\"=-\n")}),
            0);
  std::string exported;
  ASSERT_EQ(Run({"export", "HKLM\\SoftWare"}, &exported), 0);
  EXPECT_EQ(exported, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SoftWare]\n\n"
                      "[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora]\n\n[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs]\n\n"
                      "[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\Lib]\n\"BQID\"=dword:00000001\n\n");
}

}  // namespace
