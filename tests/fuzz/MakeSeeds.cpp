// fuzz-seeds SOURCE OUT: writes the seed corpus of every fuzz target into
// OUT/<target>/, made by our own tools from the sample rate library in
// SOURCE/samples: the library builder, the archive, the record encoder, the
// engine and the registry export. Scratch files go to a folder of its own.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "KivEngine/ModelFile.h"
#include "archive/QuarnZipFile.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/TemplateModel.h"
#include "tools/ratebq-build/CatalogueReg.h"
#include "tools/ratebq-build/RateLibraryWriter.h"
#include "tools/winreg/RegFile.h"
#include "winport/Codepage.h"
#include "winport/Registry.h"

namespace fs = std::filesystem;

namespace {

std::string OutFolder;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) FuzzFailure("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Seed(const char* target, const char* name, const std::string& bytes) {
  const fs::path folder = fs::path(OutFolder) / target;
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << bytes;
}

// A small library of the sample's resources and its first two bills.
Json SmallSource(const Json& sample) {
  Json source = Json::object();
  source["Resources"] = sample.at("Resources");
  source["Bills"] = Json::array({sample.at("Bills").at(0), sample.at("Bills").at(1)});
  return source;
}

std::vector<std::string> LibraryFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const char* name : {"Resource.idx", "Resource.data", "RateBQ.Index", "RateBQ.data"})
    files.push_back(ReadFile(fs::path(folder) / name));
  return files;
}

std::string Saved(IZipFile* zip) {
  TStringStream out;
  zip->SaveToStream(&out);
  return out.DataString();
}

// The library with every bill block saved again without a password and
// without compression: a mutation of its bytes is a mutation of the records
// (save for the CRC-32, which libFuzzer's comparison tracing can mend).
std::vector<std::string> PlainBlocks(std::vector<std::string> files) {
  std::string& index = files[2];
  std::string data;
  for (size_t at = 0; at < index.size();) {
    const size_t code9 = static_cast<uint8_t>(index[at + 4]);
    const size_t extent = at + 14 + code9 + static_cast<uint8_t>(index[at + 13 + code9]);
    int32_t offset, length;
    std::memcpy(&offset, index.data() + extent, 4);
    std::memcpy(&length, index.data() + extent + 4, 4);
    TStringStream block(files[3].substr(offset, length));
    IntfPtr<IZipFile> zip;
    OpenZipStream(&block, "pw", zip);
    IntfPtr<IZipFileEntry> entry;
    zip->Entries(0, entry);
    const std::string plain = entry->GetData();
    IntfPtr<IZipFile> stored;
    CreateZipFile("", stored);
    stored->SetLevel(0);
    stored->AddBuffer(entry->Name(), plain.data(), static_cast<int32_t>(plain.size()), entry);
    const std::string saved = Saved(stored.get());
    offset = static_cast<int32_t>(data.size());
    length = static_cast<int32_t>(saved.size());
    std::memcpy(index.data() + extent, &offset, 4);
    std::memcpy(index.data() + extent + 4, &length, 4);
    data += saved;
    at = extent + 8;
  }
  files[3] = data;
  return files;
}

void ReaderSeeds(const std::vector<std::string>& files, const Json& source) {
  std::string codes;
  for (const Json& bill : source.at("Bills"))
    codes += bill.at("Code").get<std::string>() + "\n" + bill.at("FullCode").get<std::string>() + "\n";
  codes = Utf8ToGbk(codes) + "1\n2";
  std::vector<std::string> sections = files;
  sections.push_back(codes);
  Seed("reader", "small-library", JoinSections(sections));
  sections = PlainBlocks(files);
  sections.push_back(codes);
  Seed("reader", "plain-blocks", JoinSections(sections));
  Seed("reader", "empty-library", JoinSections({"", "", "", "", ""}));
}

void ArchiveSeeds(const std::vector<std::string>& files) {
  const std::string& index = files[2];
  // The first bill block: its length stands after the record's two codes.
  const size_t code9 = static_cast<uint8_t>(index[4]);
  const size_t code = static_cast<uint8_t>(index[13 + code9]);
  int32_t length;
  std::memcpy(&length, index.data() + 18 + code9 + code, 4);
  const std::string block = files[3].substr(0, length);
  for (const char* target : {"zip_archive", "unzip_in_place"}) Seed(target, "bill-block", block);

  for (const char* password : {"", "pw"}) {
    IntfPtr<IZipFile> zip;
    CreateZipFile(password, zip);
    zip->SetComment("seed");
    IntfPtr<IZipFileEntry> entry;
    const std::string text = "a text that deflates: text text text text";
    zip->AddBuffer("dir/a.txt", text.data(), static_cast<int32_t>(text.size()), entry);
    zip->AddEntry("empty", entry);
    zip->SetLevel(0);
    zip->AddBuffer("b.bin", "\x01\x02\x03", 3, entry);
    const std::string name = std::string(*password ? "encrypted" : "plain") + "-three-entries";
    for (const char* target : {"zip_archive", "unzip_in_place"}) Seed(target, name.c_str(), Saved(zip.get()));
  }
}

// One record of a table in the record stream, its key filled in.
std::string EncodedRecord(const kivengine::TableDef& table, const Json& record, int32_t key,
                          const std::vector<std::string>& children) {
  RecordEncoder encoder(table);
  std::vector<const Json*> values = encoder.Resolve(record, children);
  const Json keyValue = key;
  if (!values[table.KeyField]) values[table.KeyField] = &keyValue;
  std::string out;
  encoder.Append(out, values);
  return out;
}

// For each table of "UserBQItemDB", in the order the record stream target
// numbers them: two records of the sample, and a record with its key alone.
void RecordStreamSeeds(const kivengine::ModelDef& model, const Json& sample) {
  const Json& bill = sample.at("Bills").at(0);
  const Json* norm = nullptr;
  for (const Json& b : sample.at("Bills"))
    for (const Json& n : b.at("Norms"))
      if (!norm && JsonMember(n, "Conversions")) norm = &n;
  const Json* mixed = nullptr;
  for (const Json& r : sample.at("Resources"))
    if (!mixed && JsonMember(r, "Components")) mixed = &r;
  struct Source {
    const char* Table;
    const Json& Record;
    std::vector<std::string> Children;
  } sources[] = {
      {"BQItem", bill, {"Specs", "WorkScopes", "Norms"}},
      {"Resource", *mixed, {"Components"}},
      {"LMMDetail", norm->at("Lines").at(0), {}},
      {"MixResLMMDetail", mixed->at("Components").at(0), {}},
      {"NormItem", *norm, {"Lines", "Conversions"}},
      {"ConvInfo", norm->at("Conversions").at(0), {}},
      {"BQSpec", bill.at("Specs").at(0), {}},
      {"BQWorkScope", bill.at("WorkScopes").at(0), {}},
  };
  for (size_t i = 0; i < std::size(sources); ++i) {
    const kivengine::TableDef& table = UserTableDef(model, sources[i].Table);
    const std::string first = std::string(1, static_cast<char>(i)) +
                              EncodedRecord(table, sources[i].Record, 1, sources[i].Children) +
                              EncodedRecord(table, sources[i].Record, 2, sources[i].Children) +
                              EncodedRecord(table, Json::object(), 3, {});
    Seed("record_stream", sources[i].Table, first);
  }
}

void ModelSeeds(const Json& source) {
  Seed("model_file", "template", ReadFile(GbkToUtf8(TemplateFile())));
  Seed("model_file", "kinds-and-nesting",
       "KivModel 1\n# every type, the kinds, a nested table\ndatabase DB\n  table Item key ID\n"
       "    field ID Integer\n    field Code ShortString kind 5\n    field Flag Boolean kind 6\n"
       "    field Small ShortInt\n    field Count Byte\n    field Qty SmallInt\n    field Num Word\n"
       "    field Price Double\n    field Money Currency\n    field When DateTime\n    field Name String\n"
       "    field Note Memo kind 4\n    nested Parts key PartID\n      field PartID Integer\n"
       "      nested Deeper key DeepID\n        field DeepID Word\n      end\n    end\n  end\nend\n");

  std::string result;
  NewTemplateModel()->MakeResult(0, 0, result);
  Seed("json", "model-result", result);
  Seed("json", "library-source", source.dump(1));
}

void Put(const char* path, const char* name, DWORD type, const std::string& data) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
}

void RegSeeds(const std::string& scratch) {
  const std::string libType = reinterpret_cast<const char*>(u8"清单");  // the file's text is UTF-8
  Seed("reg_import", "catalogue", CatalogueRegText({"lib", libType, 7, "R", "2024", "/lib", 11, 2024}));

  setenv("WINPORT_REGISTRY", (scratch + "/registry").c_str(), 1);
  Put("SoftWare\\Velmora\\RateBQs\\lib", "库类型", REG_SZ, std::string("清单") + '\0');
  Put("SoftWare\\Velmora\\RateBQs\\lib", "BQID", REG_DWORD, std::string("\x07\0\0\0", 4));
  Put("SoftWare\\Velmora\\RateBQs\\lib", "Path", REG_EXPAND_SZ, std::string("%TEMP%\\lib") + '\0');
  Put("SoftWare\\Velmora\\RateBQs\\lib", "", REG_SZ, std::string("default") + '\0');
  Put("SoftWare\\Velmora\\Bytes", "Blob", REG_BINARY, std::string("\x00\x01\xFE\xFF", 4));
  Put("SoftWare\\Velmora\\Bytes", "Lines", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  std::string exported;
  ExportRegKey("HKEY_LOCAL_MACHINE\\SoftWare\\Velmora", exported);
  Seed("reg_import", "store-export",
       exported + "[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\Bytes]\n\"Blob\"=-\n\"Long\"=hex:01,02,\\\n  03\n\n"
                  "[-HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\lib]\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: fuzz-seeds SOURCE OUT\n", stderr);
    return 2;
  }
  OutFolder = argv[2];
  const std::string scratch = ScratchFolder();
  const Json sample = ParseJson(ReadFile(fs::path(argv[1]) / "samples" / "RateLibrary.json"));
  const kivengine::ModelDef model = kivengine::LoadModelFile(TemplateFile());
  const Json source = SmallSource(sample);
  WriteRateLibrary(model, source, scratch + "/lib", "pw");
  const std::vector<std::string> files = LibraryFiles(scratch + "/lib");
  ReaderSeeds(files, source);
  ArchiveSeeds(files);
  RecordStreamSeeds(model, sample);
  ModelSeeds(source);
  RegSeeds(scratch);
  return 0;
}
