#include "RateIntf/RateImpl.h"

#include <memory>

#include "RateIntf/RateBQDBReaderImpl.h"
#include "rtl/Exceptions.h"
#include "rtl/Registry.h"

namespace {

constexpr const char* kCatalogueKey = "\\SoftWare\\Velmora\\RateBQs\\";
// Ends in a doubled separator, which the registry reads as one.
constexpr const char* kLibraryKeyPrefix = "\\SoftWare\\Velmora\\RateBQs\\\\";

}  // namespace

TRateBQs::TRateBQs() {
  try {
    LoadFromRegistry();
  } catch (...) {
    FreeList();
    throw;
  }
}

TRateBQs::~TRateBQs() { FreeList(); }

void TRateBQs::FreeList() {
  if (!List) return;
  for (int32_t i = 0; i < List->Count(); ++i) delete static_cast<TBQRegistryInfo*>(List->Objects(i));
  delete List;
  List = nullptr;
}

void TRateBQs::LoadFromRegistry() {
  List = new TStringList;
  TStringList names;
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  // Without the right to open or create the key the catalogue is just empty.
  if (!registry.OpenKey(kCatalogueKey, true)) return;
  registry.GetKeyNames(names);
  for (int32_t i = 0; i < names.Count(); ++i) {
    if (!registry.OpenKeyReadOnly(kLibraryKeyPrefix + names.Strings(i))) continue;
    if (!registry.ValueExists("库类型") || !registry.ValueExists("BQID")) continue;
    auto info = std::make_unique<TBQRegistryInfo>();
    info->RegionName = registry.ReadString("地区");
    info->LibType = registry.ReadString("库类型");
    info->PeriodName = registry.ReadString("期名称");
    info->PathName = registry.ReadString("PathName");
    info->RegionID = registry.ReadInteger("RegionID");
    info->PeriodID = registry.ReadInteger("PeriodID");
    info->BQID = registry.ReadInteger("BQID");
    List->AddObject(std::to_string(info->BQID), info.get());
    info.release();
  }
}

void TRateBQs::CopyRegistryInfo(const TBQRegistryInfo& Source, TBQRegistryInfo& Target) {
  Target.RegionName = Source.RegionName;
  Target.LibType = Source.LibType;
  Target.PeriodName = Source.PeriodName;
  Target.PathName = Source.PathName;
  Target.RegionID = Source.RegionID;
  Target.PeriodID = Source.PeriodID;
  Target.BQID = Source.BQID;
}

int32_t TRateBQs::Count() { return List->Count(); }

void TRateBQs::GetItem(int32_t Index, IntfPtr<IRateBQ>& Result) {
  Result.Clear();
  if (Index >= List->Count()) return;
  TBQRegistryInfo info;
  CopyRegistryInfo(*static_cast<const TBQRegistryInfo*>(List->Objects(Index)), info);
  Result = New<TRateBQ>(info);
}

void TRateBQs::Items(int32_t Index, IntfPtr<IRateBQ>& Result) { GetItem(Index, Result); }

void TRateBQs::ItemByBQID(int32_t BQID, IntfPtr<IRateBQ>& Result) {
  Result.Clear();
  const std::string text = std::to_string(BQID);
  for (int32_t i = 0; i < List->Count(); ++i)
    if (List->Strings(i) == text) return GetItem(i, Result);
}

void TRateBQ::GetRegionName(std::string& Result) { Result = Info.RegionName; }
void TRateBQ::GetLibType(std::string& Result) { Result = Info.LibType; }
void TRateBQ::GetPeriodName(std::string& Result) { Result = Info.PeriodName; }
void TRateBQ::GetPathName(std::string& Result) { Result = Info.PathName; }
int32_t TRateBQ::GetRegionID() { return Info.RegionID; }
int32_t TRateBQ::GetBQID() { return Info.BQID; }
int32_t TRateBQ::GetPeriodID() { return Info.PeriodID; }

void TRateBQ::GetCaption(std::string& Result) { Result = Info.RegionName + Info.PeriodName + Info.LibType; }

void TRateBQ::OpenReader(IntfPtr<IRateBQDBReader>& Result) { Result = New<TRateBQDBReader>(Info.PathName); }
