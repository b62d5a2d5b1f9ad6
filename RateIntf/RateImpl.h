// The catalogue of installed rate libraries, read from the registry once, and
// its entries.
#pragma once

#include <cstdint>
#include <string>

#include "RateIntf/RateIntfs.h"
#include "rtl/InterfacedObject.h"
#include "rtl/StringList.h"

// One installed rate library, as its registry key describes it.
struct TBQRegistryInfo {
  std::string RegionName;
  std::string LibType;
  std::string PeriodName;
  std::string PathName;
  int32_t RegionID = 0;
  int32_t BQID = 0;
  int32_t PeriodID = 0;
};

// Reads HKEY_LOCAL_MACHINE "\SoftWare\Velmora\RateBQs\" when it is made and
// never again.
class TRateBQs : public Implements<TInterfacedObject, IRateBQs> {
 public:
  // Fills the catalogue; a failure frees what was listed and passes on.
  TRateBQs();
  ~TRateBQs() override;

  int32_t Count() override;
  void Items(int32_t Index, IntfPtr<IRateBQ>& Result) override;
  void ItemByBQID(int32_t BQID, IntfPtr<IRateBQ>& Result) override;

  static void CopyRegistryInfo(const TBQRegistryInfo& Source, TBQRegistryInfo& Target);

 private:
  void LoadFromRegistry();
  void GetItem(int32_t Index, IntfPtr<IRateBQ>& Result);
  void FreeList();

  // Decimal BQID of each library, with its TBQRegistryInfo as the object, in
  // the order the registry enumerates the libraries' keys.
  TStringList* List = nullptr;
};

// An entry of the catalogue: its own copy of one library's record.
class TRateBQ : public Implements<TInterfacedObject, IRateBQ> {
 public:
  explicit TRateBQ(const TBQRegistryInfo& Info) : Info(Info) {}

  void GetRegionName(std::string& Result) override;
  void GetLibType(std::string& Result) override;
  void GetPeriodName(std::string& Result) override;
  void GetPathName(std::string& Result) override;
  int32_t GetRegionID() override;
  int32_t GetBQID() override;
  int32_t GetPeriodID() override;
  void GetCaption(std::string& Result) override;
  void OpenReader(IntfPtr<IRateBQDBReader>& Result) override;

 private:
  TBQRegistryInfo Info;
};
