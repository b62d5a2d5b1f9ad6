// A model: its data sets, each with its tables, made from a model definition.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "KivEngine/ModelDef.h"
#include "KivEngine/ModelObject.h"
#include "KivEngine/Table.h"
#include "platform/KivEngineIntf.h"
#include "rtl/InterfacedObject.h"

namespace kivengine {

class TTables : public Implements<TModelObject, IKivTables> {
 public:
  TTables(const DatabaseDef& def, const std::shared_ptr<ModelState>& state);

  const std::vector<IntfPtr<TTable>>& Items() const { return FItems; }

  void TableByName(const std::string& Name, IntfPtr<IKivTable>& Result) override;

 private:
  std::vector<IntfPtr<TTable>> FItems;
  NameIndex FByName;
};

class TDatabase : public Implements<TModelObject, IKivDatabase> {
 public:
  TDatabase(const DatabaseDef& def, const std::shared_ptr<ModelState>& state);

  const std::string& Name() const { return FName; }
  const TTables& TableList() const { return *FTables; }

  void Tables(IntfPtr<IKivTables>& Result) override;

 private:
  std::string FName;
  IntfPtr<TTables> FTables;
};

class TModel : public Implements<TModelObject, IKivModel> {
 public:
  // Replaces whatever the model held by empty data sets of the definition.
  void Define(const ModelDef& def);

  const std::vector<IntfPtr<TDatabase>>& Databases() const { return FDatabases; }

  void DatabaseByName(const std::string& Name, IntfPtr<IKivDatabase>& Result) override;
  void MakeResult(int32_t Options, int32_t Reserved, std::string& Result) override;
  void SetLoadState(uint8_t State) override;

 private:
  std::shared_ptr<ModelState> FState = std::make_shared<ModelState>();
  std::vector<IntfPtr<TDatabase>> FDatabases;
};

}  // namespace kivengine
