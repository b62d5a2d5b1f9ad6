// Global atoms: a process-wide table of names, each with a reference count,
// shared by every module of the process.
#pragma once

#include "winport/WinTypes.h"

#ifndef _WIN32

using ATOM = WORD;

// Adds a reference to the atom of the name (compared without ASCII case),
// creating it with count 1. 0 with ERROR_INVALID_PARAMETER for an empty name
// or one longer than 255 bytes, ERROR_NOT_ENOUGH_MEMORY when all 16,384 atoms
// are taken.
ATOM GlobalAddAtomA(LPCSTR name);

// Drops one reference; the last one removes the atom. Answers 0 on success,
// the atom itself with ERROR_INVALID_HANDLE when there is no such atom.
ATOM GlobalDeleteAtom(ATOM atom);

// The atom of the name, or 0 with ERROR_FILE_NOT_FOUND. Adds no reference.
ATOM GlobalFindAtomA(LPCSTR name);

// Copies the atom's name (terminated, cut to size - 1) and answers its length;
// 0 with ERROR_INVALID_HANDLE when there is no such atom.
UINT GlobalGetAtomNameA(ATOM atom, LPSTR buffer, int size);
#endif
