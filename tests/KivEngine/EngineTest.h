// A fixture that binds the stand-in engine from the build folder, and helpers
// that drive it only through its interfaces.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "platform/KivEngineUtils.h"
#include "tests/ScratchFolder.h"

// A model of the file, made and loaded by the engine as the reader does it.
inline IntfPtr<IKivModel> LoadModelWith(IKivEngine* engine, const std::string& fileName) {
  IntfPtr<IKivModel> model;
#ifdef TARVIK_OLDER_VARIANT
  engine->CreateModel(false, model);
#else
  IntfPtr<IInterface> param;
  engine->GetModelParam(param);
  engine->CreateModel(false, param.get(), model);
#endif
  IntfPtr<IKivModelLoader> loader;
  engine->GetLoader(loader);
  loader->LoadFile(fileName, model.get(), 0);
  model->SetLoadState(KivLoadStateDone);
  return model;
}

class EngineTest : public ::testing::Test {
 protected:
  static std::string Bin() { return std::getenv("TARVIK_BIN"); }

  void SetUp() override {
    KivEngineUtilsInitialize();
    GetKivEngine(Bin() + "/KivEngine.dll", Engine);
    Temp = std::make_unique<ScratchFolder>();
    Folder = Temp->Path().string();
  }

  void TearDown() override {
    Engine.Clear();  // everything the engine made is gone by now
    KivEngineUtilsFinalize();
    Temp.reset();
  }

  std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = Folder + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  IntfPtr<IKivModel> LoadModelFile(const std::string& fileName) { return LoadModelWith(Engine.get(), fileName); }

  IntfPtr<IKivModel> LoadModel(const std::string& text) { return LoadModelFile(WriteFile("model.Kiv", text)); }

  static IntfPtr<IKivTable> TableOf(IKivModel* model, const std::string& database, const std::string& table) {
    IntfPtr<IKivDatabase> db;
    model->DatabaseByName(database, db);
    IntfPtr<IKivTables> tables;
    db->Tables(tables);
    IntfPtr<IKivTable> result;
    tables->TableByName(table, result);
    return result;
  }

  static IntfPtr<IKivField> FieldOf(IKivRecord* record, int index) {
    IntfPtr<IKivField> field;
    record->Fields(index, field);
    return field;
  }

  // The message of the Exception that the action raises.
  static std::string MessageOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "no error";
  }

  static std::string Result(IKivModel* model) {
    std::string json;
    model->MakeResult(0, 0, json);
    return json;
  }

  IntfPtr<IKivEngine> Engine;
  std::unique_ptr<ScratchFolder> Temp;
  std::string Folder;
};

// A data set "DB" with one table "Item" (key "ID") and a table field "Parts".
inline constexpr const char* kItemModel = R"(KivModel 1
database DB
  table Item key ID
    field ID Integer
    field Code ShortString
    field Price Double
    field Active Boolean
    field Note Memo kind 4
    nested Parts key PartID
      field PartID Integer
      field Qty SmallInt
    end
  end
end
)";

enum ItemField { kID, kCode, kPrice, kActive, kNote, kParts };

// The engine with the model of kItemModel loaded, and its table "Item".
class ItemTableTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Model = LoadModel(kItemModel);
    Items = TableOf(Model.get(), "DB", "Item");
  }
  void TearDown() override {
    Items.Clear();
    Model.Clear();
    EngineTest::TearDown();
  }

  IntfPtr<IKivModel> Model;
  IntfPtr<IKivTable> Items;
};
