// The rate library builder: what it writes reads back through the archive code,
// the record stream decoder and the stand-in engine's template model.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "KivEngine/ModelFile.h"
#include "archive/QuarnZipFile.h"
#include "platform/KivModelBinStreamBuilder.h"
#include "rtl/DateTime.h"
#include "tests/KivEngine/EngineTest.h"
#include "tests/Programs.h"
#include "tests/TempRegistry.h"
#include "tools/ratebq-build/RateLibraryWriter.h"
#include "winport/Registry.h"

namespace {

constexpr const char* kPassword = "sample-pw";

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Little-endian reads over a byte string, failing the test past its end.
class Bytes {
 public:
  explicit Bytes(std::string data) : FData(std::move(data)) {}
  bool AtEnd() const { return FPos == FData.size(); }
  int32_t Int32() {
    int32_t v = 0;
    Take(&v, 4);
    return v;
  }
  std::string ShortString() {
    uint8_t n = 0;
    Take(&n, 1);
    std::string s(n, '\0');
    Take(s.data(), n);
    return s;
  }

 private:
  void Take(void* out, size_t n) {
    if (FData.size() - FPos < n) throw std::runtime_error("read past the end");
    std::memcpy(out, FData.data() + FPos, n);
    FPos += n;
  }
  std::string FData;
  size_t FPos = 0;
};

struct BillIndexRecord {
  int32_t Number;
  std::string Code9;
  int32_t BQKey, GroupKey;
  std::string Code;
  int32_t Offset, Length;
};

struct ResourceIndexRecord {
  int32_t ResID, Offset, Length;
};

// The template model of the stand-in engine, and a library written from the
// sample source under kPassword.
class RateBQBuild : public EngineTest {
 protected:
  static std::string TemplateModel() { return Bin() + "/预算综合单价库.Kiv"; }

  void SetUp() override {
    EngineTest::SetUp();
    Source = ParseJson(ReadFile(std::string(std::getenv("TARVIK_SOURCE")) + "/samples/RateLibrary.json"));
    ModelDef = kivengine::LoadModelFile(TemplateModel());
    Library = Folder + "/lib";
    WriteRateLibrary(ModelDef, Source, Library, kPassword);
  }
  void TearDown() override {
    Model.Clear();
    EngineTest::TearDown();
  }

  std::vector<BillIndexRecord> BillIndex() const {
    std::vector<BillIndexRecord> records;
    for (Bytes in(ReadFile(Library + "/RateBQ.Index")); !in.AtEnd();) {
      BillIndexRecord r;
      r.Number = in.Int32();
      r.Code9 = in.ShortString();
      r.BQKey = in.Int32();
      r.GroupKey = in.Int32();
      r.Code = in.ShortString();
      r.Offset = in.Int32();
      r.Length = in.Int32();
      records.push_back(r);
    }
    return records;
  }

  std::vector<ResourceIndexRecord> ResourceIndex() const {
    std::vector<ResourceIndexRecord> records;
    for (Bytes in(ReadFile(Library + "/Resource.idx")); !in.AtEnd();) {
      ResourceIndexRecord r;
      r.ResID = in.Int32();
      r.Offset = in.Int32();
      r.Length = in.Int32();
      records.push_back(r);
    }
    return records;
  }

  static void Block(const std::string& file, int32_t offset, int32_t length, TMemoryStream& stream) {
    const std::string data = ReadFile(file);
    ASSERT_LE(static_cast<size_t>(offset) + length, data.size());
    stream.Clear();
    stream.WriteBuffer(data.data() + offset, length);
  }

  void LoadTemplateModel() {
    Model = LoadModelFile(TemplateModel());
    Model->SetLoadState(KivLoadStateFilling);
  }

  IntfPtr<IKivTable> Table(const char* name) { return TableOf(Model.get(), "UserBQItemDB", name); }

  // Decodes one record from the stream into a new record appended to the table.
  void DecodeRecord(TStream* stream, const char* table) {
    IntfPtr<IKivTable> target = Table(table);
    IntfPtr<IKivRecord> record;
    target->NewRecord(record);
    TKivRecordStreamBuilder::LoadFromStream(stream, record.get(), true);
    target->AppendRecord(record.get());
  }

  void DecodeRun(TStream* stream, const char* table) {
    int32_t count = 0;
    stream->ReadBuffer(&count, 4);
    for (int32_t i = 0; i < count; ++i) DecodeRecord(stream, table);
  }

  // A plain bill block, laid out as the reader reads it.
  void DecodeBill(TMemoryStream& plain) {
    plain.SetPosition(0);
    DecodeRecord(&plain, "BQItem");
    DecodeRun(&plain, "BQSpec");
    DecodeRun(&plain, "BQWorkScope");
    int32_t norms = 0;
    plain.ReadBuffer(&norms, 4);
    for (int32_t i = 0; i < norms; ++i) {
      DecodeRecord(&plain, "NormItem");
      DecodeRun(&plain, "LMMDetail");
      DecodeRun(&plain, "ConvInfo");
    }
    EXPECT_EQ(plain.Position(), plain.Size()) << "bytes left after the bill";
  }

  // The decoded records of one table, from the engine's result.
  Json Decoded(const char* table) {
    std::string json;
    Model->MakeResult(0, 0, json);
    const Json result = ParseJson(json);
    for (const Json& t : result.at("databases").at(0).at("tables"))
      if (t.at("name") == table) return t.at("records");
    ADD_FAILURE() << "no table " << table;
    return Json::array();
  }

  Json Source;
  kivengine::ModelDef ModelDef;
  std::string Library;
  IntfPtr<IKivModel> Model;
};

// Expects every member of the source record (child arrays aside) in the decoded
// one, with the value as written; dates come back as day counts.
void ExpectSameRecord(const Json& source, const Json& decoded, const std::string& where) {
  for (const auto& [name, expected] : source.items()) {
    const Json* actual = JsonMember(decoded, name);
    if (expected.is_array() && !actual) continue;  // child records
    ASSERT_NE(actual, nullptr) << where << ": " << name;
    const std::string at = where + "." + name;
    if (expected.is_object()) {
      ExpectSameRecord(expected, *actual, at);
    } else if (expected.is_array()) {
      ASSERT_EQ(actual->size(), expected.size()) << at;
      for (size_t i = 0; i < expected.size(); ++i)
        ExpectSameRecord(expected[i], (*actual)[i], at + "[" + std::to_string(i) + "]");
    } else if (expected.is_string() && actual->is_number()) {  // a date
      int y, m, d, hh, mm, ss;
      ASSERT_EQ(std::sscanf(expected.get<std::string>().c_str(), "%d-%d-%d %d:%d:%d", &y, &m, &d, &hh, &mm, &ss), 6);
      EXPECT_DOUBLE_EQ(actual->get<double>(), EncodeDate(y, m, d) + EncodeTime(hh, mm, ss, 0)) << at;
    } else if (expected.is_number()) {
      EXPECT_EQ(actual->get<double>(), expected.get<double>()) << at;
    } else {
      EXPECT_EQ(*actual, expected) << at;
    }
  }
}

TEST_F(RateBQBuild, IndexFilesListEveryBlockInSourceOrder) {
  const auto& bills = Source.at("Bills");
  const std::vector<BillIndexRecord> index = BillIndex();
  ASSERT_EQ(index.size(), bills.size());
  int32_t offset = 0;
  for (size_t i = 0; i < index.size(); ++i) {
    const Json& bill = bills[i];
    EXPECT_EQ(index[i].Number, static_cast<int32_t>(i + 1));
    EXPECT_EQ(index[i].Code9, bill.at("Code").get<std::string>());
    EXPECT_EQ(index[i].Code, bill.at("FullCode").get<std::string>());
    EXPECT_EQ(index[i].BQKey, bill.at("BQItemID").get<int64_t>());
    EXPECT_EQ(index[i].GroupKey, bill.at("GroupKey").get<int64_t>());
    EXPECT_EQ(index[i].Offset, offset) << "blocks follow each other from offset 0";
    EXPECT_GT(index[i].Length, 0);
    offset += index[i].Length;
  }
  EXPECT_EQ(static_cast<uintmax_t>(offset), std::filesystem::file_size(Library + "/RateBQ.data"));

  const auto& resources = Source.at("Resources");
  const std::vector<ResourceIndexRecord> resIndex = ResourceIndex();
  ASSERT_EQ(resIndex.size(), resources.size());
  offset = 0;
  for (size_t i = 0; i < resIndex.size(); ++i) {
    EXPECT_EQ(resIndex[i].ResID, resources[i].at("ResID").get<int64_t>());
    EXPECT_EQ(resIndex[i].Offset, offset);
    offset += resIndex[i].Length;
  }
  EXPECT_EQ(static_cast<uintmax_t>(offset), std::filesystem::file_size(Library + "/Resource.data"));
}

TEST_F(RateBQBuild, EveryBillBlockUnzipsWithThePasswordAndDecodesAsWritten) {
  LoadTemplateModel();
  TMemoryStream block;
  for (const BillIndexRecord& r : BillIndex()) {
    Block(Library + "/RateBQ.data", r.Offset, r.Length, block);
    ASSERT_TRUE(UnzipFirstEntryInPlace(&block, kPassword)) << r.Code;
    DecodeBill(block);
  }
  Model->SetLoadState(KivLoadStateDone);

  // The decoded tables hold the source's records in order, with the keys the
  // builder numbered and the parent links it filled in.
  const auto& bills = Source.at("Bills");
  const Json bqItems = Decoded("BQItem"), specs = Decoded("BQSpec"),
                               norms = Decoded("NormItem"), lines = Decoded("LMMDetail"), convs = Decoded("ConvInfo");
  ASSERT_EQ(bqItems.size(), bills.size());
  size_t spec = 0, norm = 0, line = 0, conv = 0;
  for (size_t b = 0; b < bills.size(); ++b) {
    ExpectSameRecord(bills[b], bqItems[b], "bill " + std::to_string(b));
    const int64_t billKey = bills[b].at("BQItemID").get<int64_t>();
    for (const Json& s : bills[b].at("Specs")) {
      ASSERT_LT(spec, specs.size());
      ExpectSameRecord(s, specs[spec], "spec");
      EXPECT_EQ(specs[spec].at("BQItemID").get<int64_t>(), billKey);
      EXPECT_EQ(specs[spec].at("BQSpecID").get<int64_t>(), static_cast<int64_t>(spec + 1));
      ++spec;
    }
    for (const Json& n : bills[b].at("Norms")) {
      ASSERT_LT(norm, norms.size());
      ExpectSameRecord(n, norms[norm], "norm");
      EXPECT_EQ(norms[norm].at("BQItemID").get<int64_t>(), billKey);
      const int64_t normKey = norms[norm].at("NormItemID").get<int64_t>();
      EXPECT_EQ(normKey, static_cast<int64_t>(++norm));
      for (const Json& l : n.at("Lines")) {
        ASSERT_LT(line, lines.size());
        ExpectSameRecord(l, lines[line], "line");
        EXPECT_EQ(lines[line++].at("NormItemID").get<int64_t>(), normKey);
      }
      if (const Json* c = JsonMember(n, "Conversions"))
        for (const Json& row : *c) {
          ASSERT_LT(conv, convs.size());
          ExpectSameRecord(row, convs[conv], "conversion");
          EXPECT_EQ(convs[conv++].at("NormItemID").get<int64_t>(), normKey);
        }
    }
  }
  EXPECT_EQ(spec, specs.size());
  EXPECT_EQ(norm, norms.size());
  EXPECT_EQ(line, lines.size());
  EXPECT_EQ(conv, convs.size());
  EXPECT_GT(conv, 0u) << "the sample has conversion rows";
}

TEST_F(RateBQBuild, ResourceBlocksArePlainAndCarryTheirComponents) {
  LoadTemplateModel();
  TMemoryStream block;
  for (const ResourceIndexRecord& r : ResourceIndex()) {
    Block(Library + "/Resource.data", r.Offset, r.Length, block);
    block.SetPosition(0);
    DecodeRecord(&block, "Resource");
    DecodeRun(&block, "MixResLMMDetail");
    EXPECT_EQ(block.Position(), block.Size());
  }
  const auto& resources = Source.at("Resources");
  const Json decoded = Decoded("Resource"), components = Decoded("MixResLMMDetail");
  ASSERT_EQ(decoded.size(), resources.size());
  size_t component = 0, mixed = 0;
  for (size_t i = 0; i < resources.size(); ++i) {
    ExpectSameRecord(resources[i], decoded[i], "resource");
    const Json* parts = JsonMember(resources[i], "Components");
    if (!parts) continue;
    ++mixed;
    for (const Json& part : *parts) {
      ASSERT_LT(component, components.size());
      ExpectSameRecord(part, components[component], "component");
      EXPECT_EQ(components[component++].at("MasterResID").get<int64_t>(), resources[i].at("ResID").get<int64_t>());
    }
  }
  EXPECT_GT(mixed, 0u) << "the sample has mixed resources";
  EXPECT_EQ(component, components.size());
}

TEST_F(RateBQBuild, AWrongPasswordDoesNotOpenABlock) {
  const BillIndexRecord first = BillIndex().front();
  TMemoryStream block;
  Block(Library + "/RateBQ.data", first.Offset, first.Length, block);
  const std::string archive(static_cast<const char*>(block.Memory()), block.Size());
  EXPECT_FALSE(UnzipFirstEntryInPlace(&block, "wrong"));
  EXPECT_FALSE(UnzipFirstEntryInPlace(&block, ""));
  EXPECT_EQ(std::string(static_cast<const char*>(block.Memory()), block.Size()), archive);
  EXPECT_TRUE(UnzipFirstEntryInPlace(&block, kPassword));
}

// The message with which writing a library from this source fails.
std::string BuildError(const kivengine::ModelDef& model, const std::string& folder, const std::string& json) {
  try {
    WriteRateLibrary(model, ParseJson(json), folder, kPassword);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

TEST_F(RateBQBuild, SourcesThatDoNotFitTheModelAreRefusedWithWhereAndWhy) {
  const std::string dir = Folder + "/bad";
  auto bill = [](const std::string& members) {
    return R"({"Bills": [{"BQItemID": 7, "GroupKey": 1, "Code": "010101001", "FullCode": "010101001001")" + members +
           "}]}";
  };
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Colour": "red")")), "bill 1 (BQItemID 7): table BQItem has no field Colour");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Name": 5)")), "bill 1 (BQItemID 7): BQItem.Name: expected a string");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Unit": ")" + std::string(256, 'm') + "\"")),
            "bill 1 (BQItemID 7): BQItem.Unit: a short string holds at most 255 bytes");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Quantity": "many")")), "bill 1 (BQItemID 7): BQItem.Quantity: expected a number");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "UpdateTime": "2024-02-30")")),
            "bill 1 (BQItemID 7): BQItem.UpdateTime: expected a date \"YYYY-MM-DD[ HH:MM[:SS]]\"");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Specs": [{"SortNo": 40000}])")),
            "bill 1 (BQItemID 7): BQSpec.SortNo: expected an integer from -32768 to 32767");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Features": {"value": "a", "txt": "b"})")),
            "bill 1 (BQItemID 7): BQItem.Features: a value with text has only \"value\" and \"text\"");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Norms": {})")), "bill 1 (BQItemID 7): \"Norms\" must be an array");
  EXPECT_EQ(BuildError(ModelDef, dir, R"({"Bills": [{"BQItemID": 7, "Code": "1", "FullCode": "1"}]})"),
            "bill 1 (BQItemID 7): BQItem.GroupKey: missing");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Norms": [{"Lines": [{"ResID": 99}]}])")),
            "resource 99, used by a line of bill 7, is not in the library");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Norms": [{"NormItemID": 3}, {"NormItemID": 3}])")),
            "table NormItem: key 3 is used twice");
  EXPECT_EQ(BuildError(ModelDef, dir, R"({"Resources": [{"ResID": 1}, {"ResID": 1}]})"),
            "resource 2 (ResID 1): the id is used twice");
  EXPECT_EQ(BuildError(ModelDef, dir, R"({"Resources": [{"ResCode": "x"}]})"), "resource 1: Resource.ResID: missing");
  EXPECT_EQ(BuildError(ModelDef, dir, R"({"Resources": [{"ResID": 5, "Components": [{"ResID": 6}]}]})"),
            "resource 6, used by a component of resource 5, is not in the library");
  EXPECT_EQ(BuildError(ModelDef, dir, R"({"Bill": []})"), "unknown member \"Bill\" in the source");
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Name": "a", "NAME": "b")")), "bill 1 (BQItemID 7): BQItem.Name: given twice");
  const std::string emoji = Utf8(u8"\"砖😀\"");  // outside the macro, whose text must be GBK
  EXPECT_EQ(BuildError(ModelDef, dir, bill(R"(, "Name": )" + emoji)),
            "bill 1 (BQItemID 7): BQItem.Name: " + emoji + " is not UTF-8 text that GBK can hold");
}

TEST_F(RateBQBuild, AFailedBuildLeavesTheLibraryThatWasThere) {
  const std::string before = ReadFile(Library + "/RateBQ.data");
  EXPECT_NE(BuildError(ModelDef, Library, R"({"Bills": [{"BQItemID": 1, "GroupKey": 1, "Code": "a", "FullCode": "a",
      "Norms": [{"Lines": [{"ResID": 12345}]}]}]})"),
            "no error");
  EXPECT_EQ(ReadFile(Library + "/RateBQ.data"), before);
  for (const auto& entry : std::filesystem::directory_iterator(Library))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

TEST_F(RateBQBuild, KeysLeftOutFollowTheHighestGivenAndNestedKeysCountFromOne) {
  const std::string dir = Folder + "/keys";
  WriteRateLibrary(ModelDef, ParseJson(R"({"Bills": [{"BQItemID": 1, "GroupKey": 1, "Code": "a", "FullCode": "a",
      "Norms": [{"NormItemID": 10}, {}, {"Conversions": [{"ConvDetail": [{}, {"ConvDetailID": 5}, {}]}]}]}]})"),
                   dir, kPassword);
  LoadTemplateModel();
  TMemoryStream block;
  Block(dir + "/RateBQ.data", 0, static_cast<int32_t>(std::filesystem::file_size(dir + "/RateBQ.data")), block);
  ASSERT_TRUE(UnzipFirstEntryInPlace(&block, kPassword));
  DecodeBill(block);
  const Json norms = Decoded("NormItem");
  ASSERT_EQ(norms.size(), 3u);
  EXPECT_EQ(norms[1].at("NormItemID").get<int64_t>(), 11);
  EXPECT_EQ(norms[2].at("NormItemID").get<int64_t>(), 12);
  const Json convs = Decoded("ConvInfo");
  ASSERT_EQ(convs.size(), 1u);
  const Json& details = convs[0].at("ConvDetail");
  ASSERT_EQ(details.size(), 3u);
  EXPECT_EQ(details[0].at("ConvDetailID").get<int64_t>(), 1);
  EXPECT_EQ(details[2].at("ConvDetailID").get<int64_t>(), 6);
  EXPECT_EQ(convs[0].at("NormItemID").get<int64_t>(), 12);
}

class RateBQBuildCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/ratebq-build-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    Folder = folder;
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }

  std::string Folder;
};

TEST_F(RateBQBuildCommand, WritesTheFolderModelsAndACatalogueEntryThatWinregInstalls) {
  TempRegistry registry;
  const std::string source = std::string(std::getenv("TARVIK_SOURCE")) + "/samples/RateLibrary.json";
  const std::string model = std::string(std::getenv("TARVIK_BIN")) + "/" + Utf8(u8"预算综合单价库.Kiv");
  std::string err;
  ASSERT_EQ(RunProgram("ratebq-build",
                       "'" + source + "' " + Folder + "/lib --password pw --model '" + model + "' --templ '" + model +
                           "' --reg " + Folder + "/lib.reg --bqid -5 --region " + Utf8(u8"示例省") +
                           " --period 2024 --type " + Utf8(u8"房屋建筑") + " --region-id 11 --period-id 2024",
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
  ASSERT_EQ(RunProgram("winreg", "import " + Folder + "/lib.reg"), 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora\\RateBQs\\lib", 0, KEY_READ, &key), ERROR_SUCCESS);
  char text[256];
  DWORD size = sizeof text, type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "库类型", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_STREQ(text, "房屋建筑");  // GBK, as the catalogue reads it
  RegCloseKey(key);
}

TEST_F(RateBQBuildCommand, ReportsBadArgumentsAndSources) {
  std::string err;
  EXPECT_EQ(RunProgram("ratebq-build", "only-one", nullptr, &err), 2);
  EXPECT_NE(err.find("needs SOURCE.json and FOLDER"), std::string::npos) << err;
  EXPECT_EQ(RunProgram("ratebq-build", "a.json " + Folder, nullptr, &err), 2);
  EXPECT_NE(err.find("needs --password"), std::string::npos) << err;
  EXPECT_EQ(RunProgram("ratebq-build", "a.json " + Folder + " --password p --bqid 1x", nullptr, &err), 2);
  EXPECT_NE(err.find("--bqid needs a 32-bit integer"), std::string::npos) << err;

  std::ofstream(Folder + "/bad.json") << "{\"Bills\": [}";
  EXPECT_EQ(RunProgram("ratebq-build", Folder + "/bad.json " + Folder + "/lib --password p", nullptr, &err), 1);
  EXPECT_EQ(err.rfind("ratebq-build: JSON line 1, column 12: ", 0), 0u) << err;
  EXPECT_EQ(RunProgram("ratebq-build", Folder + "/bad.json " + Folder + "/lib --password p --model " + Folder + "/none.Kiv",
                       nullptr, &err),
            1);
  EXPECT_NE(err.find("none.Kiv"), std::string::npos) << err;
}

}  // namespace
