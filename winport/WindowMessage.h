// Registered window messages: one id per name for the whole process, shared
// by every module. A name is never unregistered.
#pragma once

#include "winport/WinTypes.h"

#ifndef _WIN32

// The id of the message name (compared without ASCII case), 0xC000 to 0xFFFF;
// the same name always gets the same id. 0 with ERROR_INVALID_PARAMETER for an
// empty name, ERROR_NOT_ENOUGH_MEMORY when every id is taken.
UINT RegisterWindowMessageA(LPCSTR name);
#endif
