// The ".reg" text that installs a rate library in the catalogue of installed
// libraries (HKEY_LOCAL_MACHINE\SoftWare\Velmora\RateBQs\<subkey>).
#pragma once

#include <cstdint>
#include <string>

// Texts are UTF-8, as in the file.
struct CatalogueEntry {
  std::string SubKey;
  std::string LibType;
  int32_t BQID = 0;
  std::string RegionName;
  std::string PeriodName;
  std::string PathName;
  int32_t RegionID = 0;
  int32_t PeriodID = 0;
};

// "Windows Registry Editor Version 5.00" text with the entry's key and values.
std::string CatalogueRegText(const CatalogueEntry& entry);
