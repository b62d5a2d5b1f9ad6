// The module that holds the common library's code: the Tarvik library, or a
// program that the units are built into.
#pragma once

#include "winport/Module.h"

HINSTANCE HInstance();
