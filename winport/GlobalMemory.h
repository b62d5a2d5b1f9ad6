// Global memory blocks and MulDiv, as the kernel gives them.
#pragma once

#include <cstddef>

#include "winport/WinTypes.h"

#ifndef _WIN32

using HGLOBAL = void*;
using SIZE_T = size_t;

constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr LONG ERROR_NOT_LOCKED = 158;

// A block of size bytes (zero-filled with GMEM_ZEROINIT). Every block is
// movable: its memory is reached only through GlobalLock. 0 with
// ERROR_NOT_ENOUGH_MEMORY when it cannot be had, ERROR_INVALID_PARAMETER for
// other flags.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T size);

// The block's memory, counting one lock; nil with ERROR_INVALID_HANDLE for a
// handle that is no block.
void* GlobalLock(HGLOBAL block);

// Drops one lock; TRUE while locks remain, FALSE (error ERROR_SUCCESS) once none
// do, FALSE with ERROR_NOT_LOCKED when there was none.
BOOL GlobalUnlock(HGLOBAL block);

// Frees the block: nil on success, the handle itself with ERROR_INVALID_HANDLE.
HGLOBAL GlobalFree(HGLOBAL block);

// number * numerator / denominator with a 64-bit product, rounded half away
// from zero; -1 when denominator is 0 or the result does not fit 32 bits.
int MulDiv(int number, int numerator, int denominator);
#endif
