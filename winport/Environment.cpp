#include "winport/Environment.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "winport/Codepage.h"
#include "winport/Errors.h"

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  const char* value = std::getenv(name);
  if (!value) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::string gbk = Utf8ToGbk(value);
  if (gbk.size() >= size) return static_cast<DWORD>(gbk.size() + 1);
  std::memcpy(buffer, gbk.c_str(), gbk.size() + 1);
  return static_cast<DWORD>(gbk.size());
}
