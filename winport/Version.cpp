#include "winport/Version.h"

#include "winport/Errors.h"

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *info = OSVERSIONINFOA{sizeof(OSVERSIONINFOA), 6, 2, 9200, VER_PLATFORM_WIN32_NT, {}};
  return TRUE;
}
