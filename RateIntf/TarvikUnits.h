// The library's units in the order of their initializations at load; their
// finalizations run in the reverse order at unload.
#pragma once

#include <cstddef>
#include <span>

struct TarvikUnit {
  const char* Name;
  void (*Initialize)();
  void (*Finalize)();  // nil for a unit with nothing to undo
};

extern const std::span<const TarvikUnit> TarvikUnits;

// Initializes every unit in order. When one raises, it and the units before
// it are finalized, in reverse, and the exception goes on.
void InitializeTarvikUnits();
// Finalizes the initialized units in reverse; nothing escapes.
void FinalizeTarvikUnits();

// The library's load and unload, which the platform's entry calls: every
// unit's initialization, keeping what a failing one raised for GetTarviks to
// raise on every call; every finalization.
void TarvikLoad();
void TarvikUnload();
