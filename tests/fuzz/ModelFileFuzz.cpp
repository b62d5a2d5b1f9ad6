// The engine's model-file parser. A text that parses is written back as a
// model file and must parse to the same definition; a file that the engine
// refuses to load leaves the model it was loaded into as it was.
#include <cstdint>
#include <fstream>
#include <string>

#include "KivEngine/ModelFile.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/TemplateModel.h"
#include "winport/Codepage.h"

namespace {

// The type names of the model file format, by data type.
constexpr const char* kTypeNames[kivengine::kDataTypeCount] = {
    "ShortString", "Boolean", "Integer", "ShortInt", "Byte", "SmallInt",
    "Word",        "Double",  "Currency", "DateTime", "String", "Memo"};

void WriteTable(std::string& out, const kivengine::TableDef& table, const std::string& word, int depth) {
  const std::string indent(2 * depth, ' ');
  out += indent + word + " " + GbkToUtf8(table.Name) + " key " + GbkToUtf8(table.Fields.at(table.KeyField).Name) + "\n";
  for (const kivengine::FieldDef& field : table.Fields) {
    if (field.Nested) {
      WriteTable(out, *field.Nested, "nested", depth + 1);
    } else {
      out += indent + "  field " + GbkToUtf8(field.Name) + " " + kTypeNames[field.DataType] + " kind " +
             std::to_string(field.Kind) + "\n";
    }
  }
  out += indent + "end\n";
}

// A model file that defines the model.
std::string WriteModel(const kivengine::ModelDef& model) {
  std::string out = "KivModel 1\n";
  for (const kivengine::DatabaseDef& database : model.Databases) {
    out += "database " + GbkToUtf8(database.Name) + "\n";
    for (const auto& table : database.Tables) WriteTable(out, *table, "table", 1);
    out += "end\n";
  }
  return out;
}

void CheckWrittenBack(const std::string& text) {
  kivengine::ModelDef model;
  try {
    model = kivengine::ParseModel(text, "fuzz.Kiv");
  } catch (const Exception&) {
    return;
  }
  const std::string written = WriteModel(model);
  kivengine::ModelDef again;
  try {
    again = kivengine::ParseModel(written, "written.Kiv");
  } catch (const Exception& e) {
    FuzzFailure("a model written back does not parse: " + GbkToUtf8(e.Message()) + "\n" + written);
  }
  FuzzCheck(WriteModel(again) == written, "a model written back parses to another definition:\n" + written);
}

// A model of the template holding one bill, loaded through the engine.
class EngineModel {
 public:
  EngineModel() { Reset(); }

  void Reset() {
    FModel = NewTemplateModel();
    IntfPtr<IKivEngine> engine;
    GetKivEngine("", engine);
    engine->GetLoader(FLoader);
    FModel->SetLoadState(KivLoadStateFilling);
    IntfPtr<IKivTable> bills = UserTable(FModel.get(), "BQItem");
    IntfPtr<IKivRecord> bill;
    bills->NewRecord(bill);
    IntfPtr<IKivField> key;
    bill->Fields(0, key);
    key->SetAsInteger(7);
    bills->AppendRecord(bill.get());
    FModel->SetLoadState(KivLoadStateDone);
  }

  // Loads the file into the model; true when the engine took it.
  bool Load(const std::string& fileName) {
    try {
      FLoader->LoadFile(fileName, FModel.get(), 0);
      return true;
    } catch (const Exception&) {
      return false;
    }
  }

  std::string Result() {
    std::string result;
    FModel->MakeResult(0, 0, result);
    return result;
  }

 private:
  IntfPtr<IKivModel> FModel;
  IntfPtr<IKivModelLoader> FLoader;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static EngineModel model;
  static const std::string before = model.Result();
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckWrittenBack(text);

  const std::string file = ScratchFolder() + "/fuzz.Kiv";
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  if (model.Load(file)) {
    model.Reset();
    return 0;
  }
  FuzzCheck(model.Result() == before, "a model file the engine refused changed the model");
  return 0;
}
