// Support for the fuzz targets and their seeds: the template model beside the
// program, loaded by the stand-in engine, and its tables of "UserBQItemDB".
#pragma once

#include <string>

#include "KivEngine/ModelDef.h"
#include "platform/KivEngineUtils.h"
#include "rtl/Paths.h"
#include "tests/fuzz/FuzzSupport.h"

// The template model's file name (GBK), beside the program as beside the library.
inline std::string TemplateFile() { return ExtractFilePath(ThisModuleFileName()) + "预算综合单价库.Kiv"; }

// A model of the default engine loaded from the template, not loading.
inline IntfPtr<IKivModel> NewTemplateModel() {
  IntfPtr<IKivEngine> engine;
  GetKivEngine("", engine);
  IntfPtr<IKivModel> model;
  engine->CreateModel(false, nullptr, model);
  IntfPtr<IKivModelLoader> loader;
  engine->GetLoader(loader);
  loader->LoadFile(TemplateFile(), model.get(), 0);
  model->SetLoadState(KivLoadStateDone);
  return model;
}

inline IntfPtr<IKivTable> UserTable(IKivModel* model, const char* name) {
  IntfPtr<IKivDatabase> database;
  model->DatabaseByName("UserBQItemDB", database);
  IntfPtr<IKivTables> tables;
  database->Tables(tables);
  IntfPtr<IKivTable> table;
  tables->TableByName(name, table);
  return table;
}

inline const kivengine::TableDef& UserTableDef(const kivengine::ModelDef& model, const char* name) {
  for (const auto& table : model.Databases.at(0).Tables)
    if (kivengine::FoldName(table->Name) == kivengine::FoldName(name)) return *table;
  FuzzFailure(std::string("the template has no table ") + name);
}
