#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <string>

#include "RateIntf/Tarvik.h"
#include "tests/TempRegistry.h"
#include "winport/Registry.h"

namespace {

// The library stays loaded for the whole program, as in a host.
TGetTarviks LoadGetTarviks() {
  static TGetTarviks get = [] {
    std::string file = std::string(std::getenv("TARVIK_BIN")) + "/libTarvik.so";
    void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    return library ? reinterpret_cast<TGetTarviks>(dlsym(library, GetTarviksName)) : nullptr;
  }();
  return get;
}

constexpr const char* kCatalogue = "SoftWare\\Velmora\\RateBQs\\";

class Catalogue : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(LoadGetTarviks(), nullptr) << dlerror(); }

  static IntfPtr<IRateBQs> GetTarviks() {
    IntfPtr<IRateBQs> catalogue;
    LoadGetTarviks()(catalogue);
    return catalogue;
  }

  // The message of the exception GetTarviks raises into a variable that
  // already holds `held`, which must stay in it.
  static std::string FailureOf(IRateBQs* held) {
    IntfPtr<IRateBQs> variable(held);
    try {
      LoadGetTarviks()(variable);
    } catch (const ERegistryException& e) {
      EXPECT_EQ(variable.get(), held);
      return e.Message();
    }
    return "no error";
  }

  static void Put(const std::string& library, const std::string& name, DWORD type, const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kCatalogue + library).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void PutString(const std::string& library, const std::string& name, const std::string& text) {
    Put(library, name, REG_SZ, text + '\0');
  }
  static void PutInteger(const std::string& library, const std::string& name, int32_t value) {
    Put(library, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
  }
  // The library's folder lies in the test's scratch folder: opening a reader
  // creates it and copies the template model into it.
  std::string FolderOf(const std::string& library) const { return FRegistry.Dir() + "/libraries/" + library + "/"; }
  void AddLibrary(const std::string& library, int32_t bqid, const std::string& region = "R",
                  const std::string& period = "P", const std::string& type = "T") {
    PutString(library, "地区", region);
    PutString(library, "库类型", type);
    PutString(library, "期名称", period);
    PutString(library, "PathName", FolderOf(library));
    PutInteger(library, "RegionID", 11);
    PutInteger(library, "PeriodID", 2024);
    PutInteger(library, "BQID", bqid);
  }

  // The entry with that id in a new catalogue, which is released at once.
  static IntfPtr<IRateBQ> Entry(int32_t bqid) {
    IntfPtr<IRateBQ> entry;
    GetTarviks()->ItemByBQID(bqid, entry);
    return entry;
  }

  static std::string Text(IRateBQ& entry, void (IRateBQ::*get)(std::string&)) {
    std::string s = "stale";
    (entry.*get)(s);
    return s;
  }

  TempRegistry FRegistry;
};

TEST_F(Catalogue, MissingKeyIsCreatedAndGivesAnEmptyCatalogue) {
  IntfPtr<IRateBQs> catalogue = GetTarviks();
  ASSERT_TRUE(catalogue);
  EXPECT_EQ(catalogue->Count(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(FRegistry.Root() + "/HKEY_LOCAL_MACHINE/SoftWare/Velmora/RateBQs"));
  IntfPtr<IRateBQ> entry;
  catalogue->Items(0, entry);
  EXPECT_FALSE(entry);
}

TEST_F(Catalogue, WithoutWriteAccessTheCatalogueIsEmptyAndNothingIsRaised) {
  AddLibrary("Lib", 1);
  // 0 when a user without write access gets an empty catalogue and no error.
  auto emptyForOthers = [] {
    return RunUnprivileged([] {
      try {
        return GetTarviks()->Count() == 0 ? 0 : 1;
      } catch (...) {
        return 2;
      }
    });
  };
  std::filesystem::remove_all(FRegistry.Root() + "/HKEY_LOCAL_MACHINE/SoftWare/Velmora");
  EXPECT_EQ(emptyForOthers(), 0);
  EXPECT_FALSE(std::filesystem::exists(FRegistry.Root() + "/HKEY_LOCAL_MACHINE/SoftWare/Velmora"));

  // An existing key does not open with full access either.
  AddLibrary("Lib", 1);
  EXPECT_EQ(emptyForOthers(), 0);
  EXPECT_EQ(GetTarviks()->Count(), 1);
}

TEST_F(Catalogue, EntriesCarryTheirValuesAndCaption) {
  AddLibrary("Beijing", 1001, "北京市", "2024年", "清单");
  PutInteger("Beijing", "RegionID", 110000);
  PutInteger("Beijing", "PeriodID", 202401);
  IntfPtr<IRateBQ> entry = Entry(1001);
  ASSERT_TRUE(entry);
  EXPECT_EQ(Text(*entry, &IRateBQ::GetRegionName), "北京市");
  EXPECT_EQ(Text(*entry, &IRateBQ::GetPeriodName), "2024年");
  EXPECT_EQ(Text(*entry, &IRateBQ::GetLibType), "清单");
  EXPECT_EQ(Text(*entry, &IRateBQ::GetPathName), FolderOf("Beijing"));
  EXPECT_EQ(Text(*entry, &IRateBQ::GetCaption), "北京市2024年清单");
  EXPECT_EQ(entry->GetRegionID(), 110000);
  EXPECT_EQ(entry->GetPeriodID(), 202401);
  EXPECT_EQ(entry->GetBQID(), 1001);
}

TEST_F(Catalogue, CaptionIsRegionThenPeriodThenType) {
  AddLibrary("abc", 1, "A", "B", "C");
  IntfPtr<IRateBQ> entry = Entry(1);
  ASSERT_TRUE(entry);
  EXPECT_EQ(Text(*entry, &IRateBQ::GetCaption), "ABC");
}

TEST_F(Catalogue, MissingStringValuesReadAsEmpty) {
  PutString("Lib", "库类型", "T");
  PutString("Lib", "地区", "R");
  PutInteger("Lib", "RegionID", 1);
  PutInteger("Lib", "PeriodID", 2);
  PutInteger("Lib", "BQID", 3);
  IntfPtr<IRateBQ> entry = Entry(3);
  ASSERT_TRUE(entry);
  EXPECT_EQ(Text(*entry, &IRateBQ::GetPeriodName), "");
  EXPECT_EQ(Text(*entry, &IRateBQ::GetPathName), "");
  EXPECT_EQ(Text(*entry, &IRateBQ::GetCaption), "RT");
}

TEST_F(Catalogue, KeysWithoutTypeOrIdAreLeftOut) {
  AddLibrary("Good", 1);
  PutString("NoId", "库类型", "T");
  PutInteger("NoId", "RegionID", 1);
  PutInteger("NoType", "BQID", 2);
  PutInteger("NoType", "RegionID", 1);
  PutInteger("NoType", "PeriodID", 1);
  EXPECT_EQ(GetTarviks()->Count(), 1);
  EXPECT_FALSE(Entry(2));
}

TEST_F(Catalogue, DuplicateIdsAreAllListedAndTheFirstIsFound) {
  AddLibrary("b", 7, "second");
  AddLibrary("A", 7, "first");
  AddLibrary("c", -5, "negative");
  IntfPtr<IRateBQs> catalogue = GetTarviks();
  ASSERT_EQ(catalogue->Count(), 3);
  IntfPtr<IRateBQ> entry;
  catalogue->ItemByBQID(7, entry);
  EXPECT_EQ(Text(*entry, &IRateBQ::GetRegionName), "first");
  catalogue->Items(1, entry);
  EXPECT_EQ(Text(*entry, &IRateBQ::GetRegionName), "second");
  EXPECT_EQ(entry->GetBQID(), 7);
  catalogue->ItemByBQID(-5, entry);
  ASSERT_TRUE(entry);
  EXPECT_EQ(Text(*entry, &IRateBQ::GetRegionName), "negative");
  catalogue->ItemByBQID(5, entry);
  EXPECT_FALSE(entry);  // the variable is cleared when nothing is found
}

TEST_F(Catalogue, IndexPastTheEndIsNilAndANegativeOneRaises) {
  AddLibrary("Lib", 1);
  IntfPtr<IRateBQs> catalogue = GetTarviks();
  IntfPtr<IRateBQ> entry;
  catalogue->Items(0, entry);
  ASSERT_TRUE(entry);
  catalogue->Items(1, entry);
  EXPECT_FALSE(entry);
  try {
    catalogue->Items(-1, entry);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
  }
}

TEST_F(Catalogue, WrongValueTypesFailTheWholeCallAndKeepTheHostsVariable) {
  AddLibrary("Good", 1);
  IntfPtr<IRateBQs> earlier = GetTarviks();

  AddLibrary("Bad", 2);
  PutString("Bad", "BQID", "123");
  EXPECT_EQ(FailureOf(earlier.get()), "Invalid data type for 'BQID'");
  PutString("Bad", "BQID", "1234");
  EXPECT_EQ(FailureOf(earlier.get()), "Failed to get data for 'BQID'");
  Put("Bad", "BQID", REG_BINARY, "12345");
  EXPECT_EQ(FailureOf(earlier.get()), "Failed to get data for 'BQID'");
  PutInteger("Bad", "BQID", 2);
  PutInteger("Bad", "地区", 1);
  EXPECT_EQ(FailureOf(earlier.get()), "Invalid data type for '地区'");
  PutString("Bad", "地区", "R");
  Put("Bad", "PathName", REG_BINARY, "/x");
  EXPECT_EQ(FailureOf(earlier.get()), "Invalid data type for 'PathName'");
  PutString("Bad", "PathName", "/x");

  for (const char* name : {"RegionID", "PeriodID"}) {
    std::filesystem::remove(FRegistry.Root() + "/HKEY_LOCAL_MACHINE/SoftWare/Velmora/RateBQs/Bad/.values");
    PutString("Bad", "库类型", "T");
    PutInteger("Bad", "BQID", 2);
    PutInteger("Bad", std::string(name) == "RegionID" ? "PeriodID" : "RegionID", 1);
    EXPECT_EQ(FailureOf(earlier.get()), std::string("Failed to get data for '") + name + "'");
  }
  EXPECT_EQ(earlier->Count(), 1);
}

TEST_F(Catalogue, EntriesOutliveTheirCatalogueAndEachCallMakesANewObject) {
  AddLibrary("Lib", 1, "R");
  IntfPtr<IRateBQs> catalogue = GetTarviks();
  IntfPtr<IRateBQ> first, second;
  catalogue->Items(0, first);
  catalogue->ItemByBQID(1, second);
  EXPECT_NE(first.get(), second.get());
  catalogue.Clear();
  EXPECT_EQ(Text(*first, &IRateBQ::GetRegionName), "R");
  IntfPtr<IRateBQDBReader> reader;
  EXPECT_THROW(first->OpenReader(reader), Exception);
  EXPECT_FALSE(reader);
  // The failed opening made the folder and copied the template there, and nowhere else.
  EXPECT_TRUE(std::filesystem::exists(FolderOf("Lib") + "RateBQ.Kiv"));
}

TEST_F(Catalogue, EveryCallReadsTheRegistryAgain) {
  AddLibrary("One", 1);
  IntfPtr<IRateBQs> first = GetTarviks();
  AddLibrary("Two", 2);
  IntfPtr<IRateBQs> second = GetTarviks();
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(first->Count(), 1);
  EXPECT_EQ(second->Count(), 2);
}

TEST_F(Catalogue, ObjectsAnswerOnlyTheirOwnInterfaces) {
  AddLibrary("Lib", 1);
  IntfPtr<IRateBQs> catalogue = GetTarviks();
  IntfPtr<IRateBQ> entry;
  catalogue->Items(0, entry);
  EXPECT_TRUE(IntfPtr<IInterface>::Query(catalogue));
  EXPECT_TRUE(IntfPtr<IRateBQs>::Query(catalogue));
  EXPECT_FALSE(IntfPtr<IRateBQ>::Query(catalogue));
  EXPECT_TRUE(IntfPtr<IRateBQ>::Query(entry));
  EXPECT_FALSE(IntfPtr<IRateBQs>::Query(entry));
  void* none = &entry;
  EXPECT_EQ(entry->QueryInterface(IRateBQDBReader::IID, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

}  // namespace
