// Environment variables, read as the A-calls give them: in GBK.
#pragma once

#include "winport/WinTypes.h"

#ifndef _WIN32

// The variable's value (stored in UTF-8) in GBK. Answers its length, or the
// size needed (with its NUL) when the buffer is too small; 0 with
// ERROR_ENVVAR_NOT_FOUND when the variable is unset.
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);

#endif
