// The calling thread's last error, as Windows keeps it.
#pragma once

#include <cstdarg>

#include "winport/WinTypes.h"

#ifndef _WIN32

DWORD GetLastError();
void SetLastError(DWORD error);

// The Windows error code for an errno value.
DWORD ErrnoToWinError(int error);

// The system's text for a Windows error code.
const char* WinErrorText(DWORD error);

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;

// Only FORMAT_MESSAGE_FROM_SYSTEM: the system's text for the error code,
// ending in "\r\n" as on Windows. Answers the length copied, 0 (with
// ERROR_INSUFFICIENT_BUFFER) when the buffer is too small.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments);
#endif
