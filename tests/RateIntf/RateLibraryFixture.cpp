#include "tests/RateIntf/RateLibraryFixture.h"

#include <cstring>

#include "archive/QuarnZipFile.h"

namespace ratetest {

namespace {

constexpr const char* kCatalogue = "SoftWare\\Velmora\\RateBQs\\";

void PutValue(HKEY key, const char* name, DWORD type, const std::string& data) {
  ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
}

}  // namespace

void Register(const std::string& keyName, int32_t bqid, const std::string& folder) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kCatalogue + keyName).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  PutValue(key, "库类型", REG_SZ, std::string("清单") + '\0');
  PutValue(key, "地区", REG_SZ, std::string("R") + '\0');
  PutValue(key, "期名称", REG_SZ, std::string("P") + '\0');
  PutValue(key, "PathName", REG_SZ, folder + '\0');
  PutValue(key, "BQID", REG_DWORD, Le32(bqid));
  PutValue(key, "RegionID", REG_DWORD, Le32(1));
  PutValue(key, "PeriodID", REG_DWORD, Le32(1));
  RegCloseKey(key);
}

namespace {

IntfPtr<IRateBQ> EntryOf(int32_t bqid) {
  IntfPtr<IRateBQs> catalogue;
  GetTarviksEntry()(catalogue);
  IntfPtr<IRateBQ> entry;
  catalogue->ItemByBQID(bqid, entry);
  return entry;
}

std::map<std::string, TableLayout> ReadLayouts() {
  const std::string folder = std::filesystem::temp_directory_path() / ("tarvik-layout-" + std::to_string(getpid()));
  Library library(folder);
  library.CreateFiles();
  std::filesystem::copy_file(std::filesystem::path(TemplateFile()), folder + "/Templ_BQ.Kiv");
  Register("layout", 999999, folder);
  std::map<std::string, TableLayout> layouts;
  {
    IntfPtr<IRateBQDBReader> reader;
    EntryOf(999999)->OpenReader(reader);
    IntfPtr<IKivModel> model;
    reader->TemplateModel(model);
    IntfPtr<IKivDatabase> database;
    model->DatabaseByName("UserBQItemDB", database);
    IntfPtr<IKivTables> tables;
    database->Tables(tables);
    for (const char* name :
         {"BQItem", "Resource", "LMMDetail", "MixResLMMDetail", "NormItem", "ConvInfo", "BQSpec", "BQWorkScope"}) {
      IntfPtr<IKivTable> table;
      tables->TableByName(name, table);
      IntfPtr<IKivRecord> record;
      table->NewRecord(record);
      TableLayout& layout = layouts[name];
      for (int i = 0; i < record->FieldCount(); ++i) {
        IntfPtr<IKivField> field;
        record->Fields(i, field);
        layout.push_back({field->DataType() & 0x7F, field->FieldKind()});
      }
    }
  }
  std::filesystem::remove_all(folder);
  return layouts;
}

void AppendValue(std::string& out, int32_t dataType, int32_t value) {
  const std::string text = std::to_string(value);
  switch (dataType) {
    case 0: out += Short(text); break;
    case 1: case 3: case 4: out += static_cast<char>(value); break;
    case 5: case 6: out += Le32(value).substr(0, 2); break;
    case 7: case 8: case 9: {
      double d = value;
      out.append(reinterpret_cast<const char*>(&d), sizeof d);
      break;
    }
    case 10: case 11: out += Le32(static_cast<int32_t>(text.size())) + text; break;
    default: out += Le32(value);
  }
}

// The tables of "UserBQItemDB" in a result; a result without them throws.
const Json& UserTables(const Json& document) {
  for (const Json& database : document.at("databases"))
    if (database.at("name") == "UserBQItemDB") return database.at("tables");
  throw std::runtime_error("the result holds no UserBQItemDB");
}

}  // namespace

const TableLayout& LayoutOf(const std::string& table) {
  static const std::map<std::string, TableLayout> layouts = ReadLayouts();
  return layouts.at(table);
}

Block& Block::Record(const std::string& table, const Values& values) {
  const TableLayout& layout = LayoutOf(table);
  for (int i = 0; i < static_cast<int>(layout.size()); ++i) {
    const uint8_t kind = layout[i].Kind;
    auto value = values.find(i);
    if (value != values.end()) {
      FBytes += '\0';
      AppendValue(FBytes, layout[i].DataType, value->second);
    } else {
      FBytes += static_cast<char>(kind == 6 ? 0x09 : 0x01);
    }
    if (kind == 4) FBytes += Le32(0);
  }
  return *this;
}

std::string BillBlock(int32_t key, const std::vector<Norm>& norms) {
  Block block;
  block.Record("BQItem", {{kKey, key}}).Count(0).Count(0).Count(static_cast<int32_t>(norms.size()));
  for (const Norm& norm : norms) {
    block.Record("NormItem", {{kKey, norm.Key}}).Count(static_cast<int32_t>(norm.Lines.size()));
    for (auto [line, resID] : norm.Lines) block.Record("LMMDetail", {{kKey, line}, {kLineResID, resID}});
    block.Count(0);
  }
  return block.Bytes();
}

std::string ResourceBlock(int32_t resID, const std::vector<std::pair<int32_t, int32_t>>& components) {
  Block block;
  block.Record("Resource", {{kKey, resID}}).Count(static_cast<int32_t>(components.size()));
  for (auto [component, used] : components)
    block.Record("MixResLMMDetail", {{kKey, component}, {kMasterResID, resID}, {kLineResID, used}});
  return block.Bytes();
}

std::string ZipBlock(const std::string& plain, const std::string& password) {
  IntfPtr<IZipFile> zip;
  CreateZipFile(password, zip);
  IntfPtr<IZipFileEntry> entry;
  zip->AddBuffer("BQ", plain.data(), static_cast<int32_t>(plain.size()), entry);
  TMemoryStream stream;
  zip->SaveToStream(&stream);
  return std::string(static_cast<const char*>(stream.Memory()), stream.Size());
}

Library::Library(const std::string& folder) : FFolder(folder) {}

void Library::CreateFiles() {
  std::filesystem::create_directories(FFolder);
  for (const char* name : {"Resource.idx", "Resource.data", "RateBQ.Index", "RateBQ.data"}) WriteFile(File(name), "");
}

void Library::AddIndexRecord(int32_t bqKey, int32_t groupKey, const std::string& code9, const std::string& code,
                             int32_t offset, int32_t length) {
  AppendFile(File("RateBQ.Index"), Le32(0) + Short(code9) + Le32(bqKey) + Le32(groupKey) + Short(code) +
                                       Le32(offset) + Le32(length));
}

void Library::AddRawBill(int32_t bqKey, int32_t groupKey, const std::string& code9, const std::string& code,
                         const std::string& bytes) {
  const int32_t offset = static_cast<int32_t>(std::filesystem::file_size(File("RateBQ.data")));
  AppendFile(File("RateBQ.data"), bytes);
  AddIndexRecord(bqKey, groupKey, code9, code, offset, static_cast<int32_t>(bytes.size()));
}

void Library::AddBill(int32_t bqKey, int32_t groupKey, const std::string& code9, const std::string& code,
                      const std::string& plain, const std::string& password) {
  AddRawBill(bqKey, groupKey, code9, code, ZipBlock(plain, password));
}

void Library::AddResource(int32_t resID, const std::string& plain) {
  const int32_t offset = static_cast<int32_t>(std::filesystem::file_size(File("Resource.data")));
  AppendFile(File("Resource.data"), plain);
  AppendFile(File("Resource.idx"), Le32(resID) + Le32(offset) + Le32(static_cast<int32_t>(plain.size())));
}

IntfPtr<IRateBQ> Library::Entry() const { return EntryOf(1); }

IntfPtr<IRateBQDBReader> Library::Open() const {
  IntfPtr<IRateBQDBReader> reader;
  Entry()->OpenReader(reader);
  return reader;
}

std::map<std::string, size_t> RowCounts(const std::string& result) {
  std::map<std::string, size_t> counts;
  const Json document = ParseJson(result);
  for (const Json& table : UserTables(document)) counts[table.at("name")] = table.at("records").size();
  return counts;
}

std::vector<int32_t> Column(const std::string& result, const std::string& table, const std::string& field) {
  std::vector<int32_t> column;
  const Json document = ParseJson(result);
  for (const Json& t : UserTables(document))
    if (t.at("name") == table)
      for (const Json& record : t.at("records")) column.push_back(record.at(field).get<int32_t>());
  return column;
}

void ReaderTest::SetUp() {
  ASSERT_NE(GetTarviksEntry(), nullptr) << dlerror();
  char pattern[] = "/tmp/tarvik-reader-XXXXXX";
  FScratch = mkdtemp(pattern);
}

void ReaderTest::TearDown() {
  std::error_code ec;
  std::filesystem::remove_all(FScratch, ec);
}

Library ReaderTest::NewLibrary(const std::string& name) {
  Library library(FScratch + "/" + name);
  library.CreateFiles();
  Register("lib", 1, library.Folder());
  return library;
}

}  // namespace ratetest
