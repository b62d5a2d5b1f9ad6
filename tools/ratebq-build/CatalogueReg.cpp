#include "tools/ratebq-build/CatalogueReg.h"

#include "winport/Registry.h"
#include "winport/RegistryText.h"

namespace {

std::string TextValue(const char* name, const std::string& text) {
  return FormatRegValue({name, REG_SZ, text + '\0'}) + "\n";
}

std::string IntegerValue(const char* name, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  std::string data;
  for (int i = 0; i < 4; ++i) data += static_cast<char>(bits >> (8 * i) & 0xFF);
  return FormatRegValue({name, REG_DWORD, data}) + "\n";
}

}  // namespace

std::string CatalogueRegText(const CatalogueEntry& entry) {
  // Value names in UTF-8 source text, as the file holds them.
  return "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_LOCAL_MACHINE\\SoftWare\\Velmora\\RateBQs\\" + entry.SubKey + "]\n" +
         TextValue("\xE5\xBA\x93\xE7\xB1\xBB\xE5\x9E\x8B", entry.LibType) +       // 库类型
         IntegerValue("BQID", entry.BQID) +
         TextValue("\xE5\x9C\xB0\xE5\x8C\xBA", entry.RegionName) +                  // 地区
         TextValue("\xE6\x9C\x9F\xE5\x90\x8D\xE7\xA7\xB0", entry.PeriodName) +      // 期名称
         TextValue("PathName", entry.PathName) +
         IntegerValue("RegionID", entry.RegionID) +
         IntegerValue("PeriodID", entry.PeriodID);
}
