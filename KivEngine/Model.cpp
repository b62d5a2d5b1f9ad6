#include "KivEngine/Model.h"

#include "KivEngine/Messages.h"
#include "KivEngine/ResultJson.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"

namespace kivengine {

TTables::TTables(const DatabaseDef& def, const std::shared_ptr<ModelState>& state) {
  for (const auto& table : def.Tables) {
    FByName.Add(table->Name, static_cast<int>(FItems.size()));
    FItems.emplace_back(New<TTable>(table, state));
  }
}

void TTables::TableByName(const std::string& Name, IntfPtr<IKivTable>& Result) {
  const int position = FByName.Find(Name);
  if (position < 0) throw Exception(Format(SUnknownTable, Name));
  Result = FItems[position].get();
}

TDatabase::TDatabase(const DatabaseDef& def, const std::shared_ptr<ModelState>& state)
    : FName(def.Name), FTables(New<TTables>(def, state)) {}

void TDatabase::Tables(IntfPtr<IKivTables>& Result) { Result = FTables.get(); }

void TModel::Define(const ModelDef& def) {
  std::vector<IntfPtr<TDatabase>> databases;
  for (const DatabaseDef& database : def.Databases) databases.emplace_back(New<TDatabase>(database, FState));
  FDatabases = std::move(databases);
}

void TModel::DatabaseByName(const std::string& Name, IntfPtr<IKivDatabase>& Result) {
  for (const IntfPtr<TDatabase>& database : FDatabases)
    if (SameName(database->Name(), Name)) {
      Result = database.get();
      return;
    }
  throw Exception(Format(SUnknownDatabase, Name));
}

void TModel::MakeResult(int32_t Options, int32_t Reserved, std::string& Result) {
  if (Options != 0 || Reserved != 0) throw Exception(Format(SBadOptions, Options, Reserved));
  WriteModelJson(*this, Result);
}

void TModel::SetLoadState(uint8_t State) { FState->LoadState = State; }

}  // namespace kivengine
