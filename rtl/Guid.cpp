#include "rtl/Guid.h"

#include "rtl/Format.h"

std::string GUIDToString(const TGUID& g) {
  return Format("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.D1, g.D2, g.D3, g.D4[0], g.D4[1],
                g.D4[2], g.D4[3], g.D4[4], g.D4[5], g.D4[6], g.D4[7]);
}
