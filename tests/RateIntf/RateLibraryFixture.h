// Test support: small rate libraries written byte by byte, registered in a
// temporary registry and opened through the Tarvik library as a host does.
// Records are encoded against the field layout that the real engine reports
// for the template model, with only the fields a test names set.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "RateIntf/Tarvik.h"
#include "tools/json/Json.h"
#include "tests/archive/ZipTestSupport.h"
#include "tests/TempRegistry.h"
#include "winport/Registry.h"

namespace ratetest {

inline std::string Bin() { return std::getenv("TARVIK_BIN"); }
// UTF-8 text written in the source, which the build otherwise turns into GBK.
inline std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }
// The template beside the library, by its name on disk (UTF-8).
inline std::string TemplateFile() { return Bin() + Utf8(u8"/预算综合单价库.Kiv"); }

// The library stays loaded for the whole program, as in a host.
inline TGetTarviks GetTarviksEntry() {
  static TGetTarviks get = [] {
    void* library = dlopen((Bin() + "/libTarvik.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    return library ? reinterpret_cast<TGetTarviks>(dlsym(library, GetTarviksName)) : nullptr;
  }();
  return get;
}

using ziptest::ErrorText;

inline std::string Le32(int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
}
inline std::string Short(const std::string& s) { return static_cast<char>(s.size()) + s; }

inline void WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream(std::filesystem::path(name), std::ios::binary) << bytes;
}
inline void AppendFile(const std::string& name, const std::string& bytes) {
  std::ofstream(std::filesystem::path(name), std::ios::binary | std::ios::app) << bytes;
}

struct FieldLayout {
  int32_t DataType;
  uint8_t Kind;
};
using TableLayout = std::vector<FieldLayout>;

// Field index to integer value; every other field is null.
using Values = std::map<int, int32_t>;

// Field positions in the template model that the tests set.
constexpr int kKey = 0;
constexpr int kLineResID = 2;        // LMMDetail.ResID, MixResLMMDetail.ResID
constexpr int kMasterResID = 1;      // MixResLMMDetail.MasterResID

// A block's plain bytes, written item by item.
class Block {
 public:
  Block& Record(const std::string& table, const Values& values);
  Block& Count(int32_t n) { return Raw(Le32(n)); }
  Block& Raw(const std::string& bytes) {
    FBytes += bytes;
    return *this;
  }
  const std::string& Bytes() const { return FBytes; }

 private:
  std::string FBytes;
};

// A bill block: the bill, no specifications or work scopes, and its norms,
// each with lines using the resources given and no conversions.
struct Norm {
  int32_t Key;
  std::vector<std::pair<int32_t, int32_t>> Lines;  // line key, resource id
};
std::string BillBlock(int32_t key, const std::vector<Norm>& norms = {});
// A resource block with its components (component key, resource id).
std::string ResourceBlock(int32_t resID, const std::vector<std::pair<int32_t, int32_t>>& components = {});

// Installs a library in the catalogue (registry key keyName), replacing its folder.
void Register(const std::string& keyName, int32_t bqid, const std::string& folder);

// The folder of one rate library; ReaderTest registers it under BQID 1.
class Library {
 public:
  explicit Library(const std::string& folder);

  const std::string& Folder() const { return FFolder; }
  std::string File(const char* name) const { return FFolder + "/" + name; }

  // Creates the four index and data files, empty.
  void CreateFiles();
  // Appends the bill's block, zipped under the password, and its index record.
  void AddBill(int32_t bqKey, int32_t groupKey, const std::string& code9, const std::string& code,
               const std::string& plain, const std::string& password = "pw");
  // Appends raw block bytes and an index record with the given extent.
  void AddRawBill(int32_t bqKey, int32_t groupKey, const std::string& code9, const std::string& code,
                  const std::string& bytes);
  void AddIndexRecord(int32_t bqKey, int32_t groupKey, const std::string& code9, const std::string& code,
                      int32_t offset, int32_t length);
  void AddResource(int32_t resID, const std::string& plain);

  // A new catalogue's entry of this library, and a reader opened from it.
  IntfPtr<IRateBQ> Entry() const;
  IntfPtr<IRateBQDBReader> Open() const;

 private:
  std::string FFolder;
};

// A zip archive of one entry holding plain, encrypted under password.
std::string ZipBlock(const std::string& plain, const std::string& password);

// Row counts of the tables of "UserBQItemDB" in a result, by table name.
std::map<std::string, size_t> RowCounts(const std::string& result);
// The integer field of every record of a table in a result, in table order.
std::vector<int32_t> Column(const std::string& result, const std::string& table, const std::string& field);

// Layout of a template table, as the engine reports it.
const TableLayout& LayoutOf(const std::string& table);

// Gives each test a registry and a scratch folder.
class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Scratch() const { return FScratch; }
  // A library in the scratch folder with empty index and data files.
  Library NewLibrary(const std::string& name = "lib");

  TempRegistry FRegistry;
  std::string FScratch;
};

}  // namespace ratetest
