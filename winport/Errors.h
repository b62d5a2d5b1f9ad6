// The calling thread's last error, as Windows keeps it.
#pragma once

#include "winport/WinTypes.h"

DWORD GetLastError();
void SetLastError(DWORD error);

// The Windows error code for an errno value.
DWORD ErrnoToWinError(int error);

// The system's text for a Windows error code, as FormatMessage gives it.
const char* WinErrorText(DWORD error);
