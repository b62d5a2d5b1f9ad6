#include "tools/ratebq-build/RateLibraryWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>
#include <vector>

#include "archive/QuarnZipFile.h"
#include "winport/Codepage.h"

namespace {

void AppendShortString(std::string& out, const std::string& text, const char* what) {
  if (text.size() > 255) throw SourceError(std::string(what) + " is longer than 255 bytes");
  out += static_cast<char>(text.size());
  out += text;
}

const kivengine::TableDef& FindTable(const kivengine::ModelDef& model, const char* name) {
  for (const kivengine::DatabaseDef& database : model.Databases) {
    if (kivengine::FoldName(database.Name) != kivengine::FoldName(kRateDatabaseName)) continue;
    for (const auto& table : database.Tables)
      if (kivengine::FoldName(table->Name) == kivengine::FoldName(name)) return *table;
    throw SourceError(std::string("the model's data set ") + kRateDatabaseName + " has no table " + name);
  }
  throw SourceError(std::string("the model has no data set ") + kRateDatabaseName);
}

const Json* ChildArray(const Json& record, const char* member) {
  const Json* children = JsonMember(record, member);
  if (children && !children->is_null() && !children->is_array())
    throw SourceError(std::string("\"") + member + "\" must be an array");
  return children && !children->is_null() ? children : nullptr;
}

// "bill 3 (BQItemID 17)": a record by its number in the source and, when the
// source gives it, its key.
std::string Describe(const char* what, size_t number, const Json& record, const kivengine::TableDef& table) {
  std::string text = std::string(what) + " " + std::to_string(number);
  const std::string keyName = table.Fields[table.KeyField].Name;
  for (const auto& [name, value] : record.items())
    if (value.is_number_integer() && kivengine::FoldName(name) == kivengine::FoldName(keyName))
      text += " (" + GbkToUtf8(keyName) + " " + std::to_string(value.get<int64_t>()) + ")";
  return text;
}

}  // namespace

// One table of the data set: its encoder, the numbering of left-out keys and
// the keys given so far.
class RateLibraryWriter::Table {
 public:
  Table(const kivengine::ModelDef& model, const char* name, std::vector<std::string> children,
        const char* linkField, bool uniqueKeys)
      : Encoder(FindTable(model, name)),
        FChildren(std::move(children)),
        FLinkField(linkField ? Encoder.RequiredField(linkField) : -1),
        FUniqueKeys(uniqueKeys) {}

  // Appends one record and gives its key; values receives its fields as the
  // source gives them (the filled-in key and link are not among them).
  int32_t Append(std::string& out, const Json& record, int32_t parentKey, std::vector<const Json*>& values) {
    values = Encoder.Resolve(record, FChildren);
    const int keyField = Encoder.Table().KeyField;
    const Json* givenKey = values[keyField];
    const Json* givenLink = FLinkField >= 0 ? values[FLinkField] : nullptr;
    const Json autoKey = FNextKey, link = parentKey;
    if (!givenKey) values[keyField] = &autoKey;
    if (FLinkField >= 0 && !givenLink) values[FLinkField] = &link;
    const int32_t key = Encoder.IntegerOf(keyField, values[keyField]);
    Encoder.Append(out, values);
    values[keyField] = givenKey;
    if (FLinkField >= 0) values[FLinkField] = givenLink;
    if (key >= FNextKey) FNextKey = key == std::numeric_limits<int32_t>::max() ? key : key + 1;
    if (FUniqueKeys) FKeys.push_back(key);
    return key;
  }

  // An int32 count, then the records of the array (none when it is missing).
  template <class EachRecord>
  void AppendRun(std::string& out, const Json* records, int32_t parentKey, EachRecord&& each) {
    const size_t count = records ? records->size() : 0;
    AppendLE<int32_t>(out, static_cast<int32_t>(count));
    std::vector<const Json*> values;
    for (size_t i = 0; i < count; ++i) {
      const Json& record = (*records)[i];
      each(record, Append(out, record, parentKey, values), values);
    }
  }
  void AppendRun(std::string& out, const Json* records, int32_t parentKey) {
    AppendRun(out, records, parentKey, [](const Json&, int32_t, const std::vector<const Json*>&) {});
  }

  void CheckUniqueKeys() {
    std::sort(FKeys.begin(), FKeys.end());
    auto repeat = std::adjacent_find(FKeys.begin(), FKeys.end());
    if (repeat != FKeys.end())
      throw SourceError("table " + GbkToUtf8(Encoder.Table().Name) + ": key " + std::to_string(*repeat) +
                        " is used twice");
  }

  RecordEncoder Encoder;

 private:
  std::vector<std::string> FChildren;
  int FLinkField;
  bool FUniqueKeys;
  int32_t FNextKey = 1;
  std::vector<int32_t> FKeys;
};

// An output file and the offset its next byte goes to; offsets are int32. It is
// written under a temporary name and takes its own only when closed, so that a
// build that fails leaves the library that was there before.
class RateLibraryWriter::OutputFile {
 public:
  explicit OutputFile(const std::filesystem::path& path)
      : FPath(path), FTempPath(path.string() + ".tmp"), FFile(std::fopen(FTempPath.c_str(), "wb")) {
    if (!FFile) Fail(FTempPath);
  }
  ~OutputFile() {
    if (!FFile) return;
    std::fclose(FFile);
    std::remove(FTempPath.c_str());
  }

  int32_t Offset() const { return static_cast<int32_t>(FOffset); }

  void Write(const std::string& bytes) {
    if (FOffset + static_cast<int64_t>(bytes.size()) > std::numeric_limits<int32_t>::max())
      throw SourceError(FPath.string() + ": a rate library file holds at most 2 GiB");
    if (std::fwrite(bytes.data(), 1, bytes.size(), FFile) != bytes.size()) Fail(FTempPath);
    FOffset += static_cast<int64_t>(bytes.size());
  }

  void Close() {
    std::FILE* file = std::exchange(FFile, nullptr);
    if (std::fclose(file) != 0) {
      std::remove(FTempPath.c_str());
      Fail(FTempPath);
    }
    std::error_code error;
    std::filesystem::rename(FTempPath, FPath, error);
    if (error) throw SourceError(FPath.string() + ": " + error.message());
  }

 private:
  [[noreturn]] static void Fail(const std::filesystem::path& path) {
    throw SourceError(path.string() + ": " + std::strerror(errno));
  }

  std::filesystem::path FPath, FTempPath;
  std::FILE* FFile;
  int64_t FOffset = 0;
};

RateLibraryWriter::RateLibraryWriter(const kivengine::ModelDef& model, const std::string& folder,
                                     const std::string& password)
    : FPassword(SourceTextToGbk(password)) {
  FBills = std::make_unique<Table>(model, "BQItem", std::vector<std::string>{"Specs", "WorkScopes", "Norms"},
                                   nullptr, false);
  FSpecs = std::make_unique<Table>(model, "BQSpec", std::vector<std::string>{}, "BQItemID", true);
  FWorkScopes = std::make_unique<Table>(model, "BQWorkScope", std::vector<std::string>{}, "BQItemID", true);
  FNorms = std::make_unique<Table>(model, "NormItem", std::vector<std::string>{"Lines", "Conversions"},
                                   "BQItemID", true);
  FLines = std::make_unique<Table>(model, "LMMDetail", std::vector<std::string>{}, "NormItemID", true);
  FConversions = std::make_unique<Table>(model, "ConvInfo", std::vector<std::string>{}, "NormItemID", true);
  FResources = std::make_unique<Table>(model, "Resource", std::vector<std::string>{"Components"}, nullptr, false);
  FComponents = std::make_unique<Table>(model, "MixResLMMDetail", std::vector<std::string>{}, "MasterResID", true);
  FBillGroupKey = FBills->Encoder.RequiredField("GroupKey");
  FBillCode9 = FBills->Encoder.RequiredField("Code");
  FBillCode = FBills->Encoder.RequiredField("FullCode");
  FResourceID = FResources->Encoder.RequiredField("ResID");
  FLineResID = FLines->Encoder.RequiredField("ResID");
  FComponentResID = FComponents->Encoder.RequiredField("ResID");

  const std::filesystem::path dir(folder);
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) throw SourceError(folder + ": " + error.message());
  FResourceIdx = std::make_unique<OutputFile>(dir / "Resource.idx");
  FResourceData = std::make_unique<OutputFile>(dir / "Resource.data");
  FBillIndex = std::make_unique<OutputFile>(dir / "RateBQ.Index");
  FBillData = std::make_unique<OutputFile>(dir / "RateBQ.data");
}

RateLibraryWriter::~RateLibraryWriter() = default;

void RateLibraryWriter::AddResource(const Json& resource) {
  const size_t number = FResourceIDs.size() + 1;
  std::string block;
  int32_t resID = 0;
  try {
    std::vector<const Json*> values;
    FResources->Append(block, resource, 0, values);
    // Lines refer to resources by id: it cannot be left to numbering.
    resID = FResources->Encoder.IntegerOf(FResourceID, values[FResourceID]);
    if (!FResourceIDs.insert(resID).second) throw SourceError("the id is used twice");
    FComponents->AppendRun(block, ChildArray(resource, "Components"), resID,
                           [&](const Json&, int32_t, const std::vector<const Json*>& component) {
                             const int32_t used = FComponents->Encoder.IntegerOf(FComponentResID, component[FComponentResID]);
                             FResourceUses.try_emplace(used, ResourceUse{true, resID});
                           });
  } catch (const SourceError& e) {
    throw SourceError(Describe("resource", number, resource, FResources->Encoder.Table()) + ": " + e.what());
  }
  std::string index;
  AppendLE<int32_t>(index, resID);
  AppendLE<int32_t>(index, FResourceData->Offset());
  AppendLE<int32_t>(index, static_cast<int32_t>(block.size()));
  FResourceData->Write(block);
  FResourceIdx->Write(index);
}

void RateLibraryWriter::AddBill(const Json& bill) {
  std::string block, index;
  int32_t billKey = 0;
  try {
    std::vector<const Json*> values;
    billKey = FBills->Append(block, bill, 0, values);
    const RecordEncoder& encoder = FBills->Encoder;
    AppendLE<int32_t>(index, FBillCount + 1);  // the reader skips it; the bill's number
    AppendShortString(index, encoder.TextOf(FBillCode9, values[FBillCode9]), "Code");
    AppendLE<int32_t>(index, billKey);
    AppendLE<int32_t>(index, encoder.IntegerOf(FBillGroupKey, values[FBillGroupKey]));
    AppendShortString(index, encoder.TextOf(FBillCode, values[FBillCode]), "FullCode");

    FSpecs->AppendRun(block, ChildArray(bill, "Specs"), billKey);
    FWorkScopes->AppendRun(block, ChildArray(bill, "WorkScopes"), billKey);
    FNorms->AppendRun(block, ChildArray(bill, "Norms"), billKey,
                      [&](const Json& norm, int32_t normKey, const std::vector<const Json*>&) {
                        FLines->AppendRun(block, ChildArray(norm, "Lines"), normKey,
                                          [&](const Json&, int32_t, const std::vector<const Json*>& line) {
                                            const int32_t used = FLines->Encoder.IntegerOf(FLineResID, line[FLineResID]);
                                            FResourceUses.try_emplace(used, ResourceUse{false, billKey});
                                          });
                        FConversions->AppendRun(block, ChildArray(norm, "Conversions"), normKey);
                      });
  } catch (const SourceError& e) {
    throw SourceError(Describe("bill", FBillCount + 1, bill, FBills->Encoder.Table()) + ": " + e.what());
  }
  const std::string archive = EncryptBlock(block, billKey);
  AppendLE<int32_t>(index, FBillData->Offset());
  AppendLE<int32_t>(index, static_cast<int32_t>(archive.size()));
  FBillData->Write(archive);
  FBillIndex->Write(index);
  ++FBillCount;
}

std::string RateLibraryWriter::EncryptBlock(const std::string& plain, int32_t billKey) const {
  IntfPtr<IZipFile> archive;
  CreateZipFile(FPassword, archive);
  IntfPtr<IZipFileEntry> entry;
  archive->AddEntry(std::to_string(billKey), entry);
  entry->SetData(plain);
  TStringStream out;
  archive->SaveToStream(&out);
  return out.DataString();
}

void RateLibraryWriter::Finish() {
  for (const auto& [resID, use] : FResourceUses)
    if (!FResourceIDs.count(resID))
      throw SourceError("resource " + std::to_string(resID) + ", used by " +
                        (use.ByComponent ? "a component of resource " : "a line of bill ") +
                        std::to_string(use.Owner) + ", is not in the library");
  for (Table* table : {FSpecs.get(), FWorkScopes.get(), FNorms.get(), FLines.get(), FConversions.get(),
                       FComponents.get()})
    table->CheckUniqueKeys();
  for (OutputFile* file : {FResourceIdx.get(), FResourceData.get(), FBillIndex.get(), FBillData.get()}) file->Close();
}

void WriteRateLibrary(const kivengine::ModelDef& model, const Json& source, const std::string& folder,
                      const std::string& password) {
  if (!source.is_object()) throw SourceError("the source must be an object");
  for (const auto& [name, value] : source.items())
    if (name != "Resources" && name != "Bills") throw SourceError("unknown member \"" + name + "\" in the source");
  RateLibraryWriter writer(model, folder, password);
  if (const Json* resources = ChildArray(source, "Resources"))
    for (const Json& resource : *resources) writer.AddResource(resource);
  if (const Json* bills = ChildArray(source, "Bills"))
    for (const Json& bill : *bills) writer.AddBill(bill);
  writer.Finish();
}
