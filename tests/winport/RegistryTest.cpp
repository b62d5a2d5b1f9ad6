#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "tests/TempRegistry.h"
#include "winport/Registry.h"
#include "winport/RegistryStore.h"

namespace {

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

class Registry : public ::testing::Test {
 protected:
  HKEY Create(const std::string& path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
  }
  static void Set(HKEY key, const std::string& name, DWORD type, const std::string& data) {
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  static LONG Query(HKEY key, const std::string& name, DWORD& type, std::string& data) {
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    data.assign(size, '\0');
    return RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  }
  static std::vector<std::string> SubKeys(HKEY key) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD chars = sizeof name;
      if (RegEnumKeyExA(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.emplace_back(name, chars);
    }
    return names;
  }

  TempRegistry FRegistry;
};

TEST_F(Registry, KeysOpenWithoutCaseAndWithDoubledSeparators) {
  DWORD disposition = 0;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\VELMORA\\ratebqs", 0, nullptr, 0, KEY_READ, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);

  HKEY sub = Create("SoftWare\\Velmora\\RateBQs\\Lib1");
  Set(sub, "BQID", REG_DWORD, std::string("\x07\0\0\0", 4));
  RegCloseKey(sub);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\\\lib1", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD type;
  std::string data;
  EXPECT_EQ(Query(key, "bqid", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(data, std::string("\x07\0\0\0", 4));
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, KeyNamesThatAreNoFileNamesStayInsideTheirParent) {
  HKEY parent = Create("Names");
  for (const char* name : {"a/b", "..", ".values", ".lock", ".deleting", "100%"})
    RegCloseKey(Create(std::string("Names\\") + name));
  Set(parent, "v", REG_DWORD, std::string("\1\0\0\0", 4));  // the store's own files are there now
  EXPECT_EQ(SubKeys(parent), (std::vector<std::string>{"..", ".deleting", ".lock", ".values", "100%", "a/b"}));
  for (const char* byHand : {"x%5Cy", "x\\y", "%00"})  // folders that unescape to no key's name
    std::filesystem::create_directory(FRegistry.Root() + "/HKEY_LOCAL_MACHINE/Names/" + byHand);
  EXPECT_EQ(SubKeys(parent).size(), 6u);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(parent, "..", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_TRUE(SubKeys(key).empty());
  RegCloseKey(key);
  RegCloseKey(parent);
  EXPECT_TRUE(std::filesystem::is_directory(FRegistry.Root() + "/HKEY_LOCAL_MACHINE/Names/a%2Fb"));
}

// A name with a NUL once stood for the key before the NUL. Every operation of
// the store refuses it, and nothing changes.
TEST_F(Registry, NamesWithANulAreRefusedByTheStore) {
  HKEY key = Create("Velmora\\RateBQs\\Lib");
  Set(key, "BQID", REG_DWORD, std::string("\1\0\0\0", 4));
  RegCloseKey(key);
  const std::string hklm = FRegistry.Root() + "/HKEY_LOCAL_MACHINE";
  const std::string nul(1, '\0');
  std::string found;
  bool isNew;
  for (const std::string& path : {"Velmora\\RateBQs\\" + nul + "NotThere", nul, "Velmora\\" + nul + "\\Lib"}) {
    EXPECT_EQ(FindRegKey(hklm, path, found), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateRegKey(hklm, path, found, isNew), ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(DeleteRegKeyTree(hklm + "/Velmora/RateBQs/" + nul + "x"), ERROR_INVALID_PARAMETER);
  EXPECT_NE(DeleteRegKeyTree(hklm), ERROR_SUCCESS);  // a root key stays
  EXPECT_NE(DeleteRegKeyTree(hklm + "/"), ERROR_SUCCESS);
  std::vector<RegValue> values;
  EXPECT_EQ(PutRegValue(values, {"BQID" + nul + "x", REG_DWORD, "\2\0\0\0"}), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(values.empty());
  ASSERT_EQ(FindRegKey(hklm, "Velmora\\RateBQs\\Lib", found), ERROR_SUCCESS);
  ASSERT_EQ(ReadRegValues(found, values), ERROR_SUCCESS);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(FindRegValue(values, "BQID" + nul), nullptr);
}

// U+00C0 (A grave) has no GBK form: its UTF-8 bytes, C3 80, read as GBK are
// "脌". Neither name finds the other's key, and names GBK lacks match only
// byte for byte.
TEST_F(Registry, NamesGbkLacksFindOnlyThemselves) {
  const std::string hklm = FRegistry.Root() + "/HKEY_LOCAL_MACHINE";
  std::string a, b, found;
  bool isNew;
  ASSERT_EQ(CreateRegKey(hklm, "N\\" + Utf8(u8"脌"), a, isNew), ERROR_SUCCESS);
  ASSERT_EQ(CreateRegKey(hklm, "N\\" + std::string("\xC3\x80"), b, isNew), ERROR_SUCCESS);
  EXPECT_TRUE(isNew);
  EXPECT_NE(a, b);
  ASSERT_EQ(CreateRegKey(hklm, "N\\" + std::string("\xC4\x80"), found, isNew), ERROR_SUCCESS);
  EXPECT_EQ(FindRegKey(hklm, "N\\" + std::string("\xC4\x81"), found), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindRegKey(hklm, "n\\" + std::string("\xC3\x80"), found), ERROR_SUCCESS);
  EXPECT_EQ(found, b);
  std::vector<RegValue> values;
  ASSERT_EQ(PutRegValue(values, {Utf8(u8"脌"), REG_DWORD, "\1\0\0\0"}), ERROR_SUCCESS);
  ASSERT_EQ(PutRegValue(values, {std::string("\xC3\x80"), REG_DWORD, "\2\0\0\0"}), ERROR_SUCCESS);
  EXPECT_EQ(values.size(), 2u);
}

// A deletion goes whole or not at all: refused up front where a folder of the
// tree cannot be removed, and what an interrupted one left goes with the next.
TEST_F(Registry, DeletingAKeyTakesItWholeOrNotAtAll) {
  RegCloseKey(Create("Del\\Open\\Sealed\\Inner"));
  RegCloseKey(Create("Del\\Gone\\Child"));
  const std::string del = FRegistry.Root() + "/HKEY_LOCAL_MACHINE/Del";
  for (const std::string& folder : {del, del + "/Open"}) {  // Sealed stays root's own
    chmod(folder.c_str(), 0777);
    std::ofstream(folder + "/.lock");
    chmod((folder + "/.lock").c_str(), 0666);
  }
  int rc = RunUnprivileged([&] {
    std::string dir;
    if (FindRegKey(del, "Open", dir) != ERROR_SUCCESS) return 1;
    if (DeleteRegKeyTree(dir) != ERROR_ACCESS_DENIED) return 2;
    return FindRegKey(del, "Open\\Sealed\\Inner", dir) == ERROR_SUCCESS ? 0 : 3;
  });
  EXPECT_EQ(rc, 0);

  std::filesystem::create_directories(del + "/.deleting/Half/Left");
  std::string dir;
  ASSERT_EQ(FindRegKey(del, "gone", dir), ERROR_SUCCESS);
  ASSERT_EQ(DeleteRegKeyTree(dir), ERROR_SUCCESS);
  EXPECT_EQ(FindRegKey(del, "Gone", dir), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(std::filesystem::exists(del + "/.deleting"));
  HKEY key = Create("Del");
  EXPECT_EQ(SubKeys(key), std::vector<std::string>{"Open"});
  RegCloseKey(key);
}

TEST_F(Registry, TextGoesOutAsGbkAndIsStoredAsUtf8) {
  HKEY key = Create("Velmora\\北京");
  Set(key, "地区", REG_SZ, std::string("北京市\0", 7));
  Set(key, "Path", REG_EXPAND_SZ, std::string("%TEMP%\\库\0", 10));
  Set(key, "Bytes", REG_BINARY, std::string("\xB1\xB1\0", 3));
  DWORD type;
  std::string data;
  ASSERT_EQ(Query(key, "地区", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(data, std::string("北京市\0", 7));
  ASSERT_EQ(Query(key, "PATH", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(data, std::string("%TEMP%\\库\0", 10));
  ASSERT_EQ(Query(key, "Bytes", type, data), ERROR_SUCCESS);
  EXPECT_EQ(data, std::string("\xB1\xB1\0", 3));  // binary data is never converted

  std::ifstream file(FRegistry.Root() + "/HKEY_LOCAL_MACHINE/Velmora/" + Utf8(u8"北京") + "/.values");
  std::string first;
  std::getline(file, first);
  EXPECT_EQ(first, Utf8(u8"\"地区\"=\"北京市\""));

  DWORD subKeys = 9, longestName = 0, values = 0, longestValueName = 0, longestData = 0;
  HKEY parent = Create("Velmora");
  ASSERT_EQ(RegQueryInfoKeyA(parent, nullptr, nullptr, nullptr, &subKeys, &longestName, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 1u);
  EXPECT_EQ(longestName, 4u);  // GBK bytes of the name, not its UTF-8 ones
  EXPECT_EQ(values, 0u);
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, &longestValueName,
                             &longestData, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 3u);
  EXPECT_EQ(longestValueName, 5u);
  EXPECT_EQ(longestData, 10u);
  RegCloseKey(parent);
  RegCloseKey(key);
}

TEST_F(Registry, QueryAnswersSizesAndRefusesSmallBuffers) {
  HKEY key = Create("Sizes");
  Set(key, "", REG_SZ, std::string("default\0", 8));
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);
  char small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(std::string(small, 4), "xxxx");
  EXPECT_EQ(RegQueryValueExA(key, "absent", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  Set(key, "", REG_DWORD, std::string("\1\0\0\0", 4));  // replaces, same name
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  RegCloseKey(key);
}

TEST_F(Registry, SubKeysEnumerateInCaseInsensitiveOrder) {
  HKEY parent = Create("Order");
  for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2", "delta"}) RegCloseKey(Create(std::string("Order\\") + name));
  EXPECT_EQ(SubKeys(parent), (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "delta", "gamma"}));
  char name[4];
  DWORD chars = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(parent, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  chars = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(parent, 5, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(parent);
}

TEST_F(Registry, HandlesCarryTheirAccess) {
  RegCloseKey(Create("Access"));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Access", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_BINARY, nullptr, 0), ERROR_ACCESS_DENIED);
  char name[16];
  DWORD chars = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  DWORD size;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, DamagedValuesFileIsReported) {
  HKEY key = Create("Damaged");
  std::ofstream(FRegistry.Root() + "/HKEY_LOCAL_MACHINE/Damaged/.values") << "\"a\"=dword:zz\n";
  DWORD size;
  EXPECT_EQ(RegQueryValueExA(key, "a", nullptr, nullptr, nullptr, &size), ERROR_REGISTRY_CORRUPT);
  RegCloseKey(key);
}

// The store keeps one value a line: a name that would break its line is
// refused, and the key's other values stay readable.
TEST_F(Registry, ValueNameWithALineBreakIsRefused) {
  HKEY key = Create("Lines");
  Set(key, "kept", REG_DWORD, std::string("\x05\0\0\0", 4));
  const char data[] = "x";
  for (const char* name : {"a\nb", "a\rb"})
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data),
              ERROR_INVALID_PARAMETER);
  DWORD type;
  std::string value;
  EXPECT_EQ(Query(key, "kept", type, value), ERROR_SUCCESS);
  RegCloseKey(key);
}

// Text that is not valid GBK keeps its bytes, whichever form the store
// writes it in.
TEST_F(Registry, TextThatIsNoValidGbkKeepsItsBytes) {
  HKEY key = Create("Bytes");
  const std::vector<std::string> texts = {"\x81\x7f" "ab", std::string("\x81\x7f" "ab\0", 5),
                                          std::string("a\xFF\0\x80\x81\0", 6), "\xD7\xFA\xE4\x7F\r\n", "\xFF"};
  for (DWORD type : {REG_SZ, REG_EXPAND_SZ})
    for (const std::string& text : texts) {
      Set(key, "v", type, text);
      DWORD got = 0;
      std::string data;
      ASSERT_EQ(Query(key, "v", got, data), ERROR_SUCCESS);
      EXPECT_EQ(data, text) << type;
      EXPECT_EQ(got, type);
    }
  RegCloseKey(key);
}

// Checks that run as a user without write access; each failing check exits
// with its own code.
TEST_F(Registry, WithoutWriteAccessKeysOpenOnlyForReading) {
  HKEY key = Create("Shared\\Lib");
  Set(key, "BQID", REG_DWORD, std::string("\x2A\0\0\0", 4));
  RegCloseKey(key);
  RegCloseKey(Create("Shared\\Hidden"));
  const std::string hidden = FRegistry.Root() + "/HKEY_LOCAL_MACHINE/Shared/Hidden";
  std::ofstream(hidden + "/.values") << "\"x\"=dword:00000001\n";
  chmod(hidden.c_str(), 0111);  // traversable, not listable

  int rc = RunUnprivileged([] {
    HKEY k = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Shared\\New", 0, nullptr, 0, KEY_READ, nullptr, &k, nullptr) !=
        ERROR_ACCESS_DENIED)
      return 1;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared\\Lib", 0, KEY_ALL_ACCESS, &k) != ERROR_ACCESS_DENIED) return 2;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared\\Lib", 0, KEY_READ, &k) != ERROR_SUCCESS) return 3;
    DWORD v = 0, size = sizeof v;
    if (RegQueryValueExA(k, "BQID", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS || v != 42)
      return 4;
    RegCloseKey(k);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared\\Hidden", 0, KEY_READ, &k) != ERROR_ACCESS_DENIED) return 5;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared\\Hidden", 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return 6;
    size = sizeof v;
    if (RegQueryValueExA(k, "x", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS || v != 1)
      return 7;
    RegCloseKey(k);
    return 0;
  });
  EXPECT_EQ(rc, 0);
}

}  // namespace
