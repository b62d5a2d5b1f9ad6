// A generated rate library of any size, written with the builder's writer:
// bills with norms, lines and conversion rows over a shared table of
// resources, some of them mixed.
#pragma once

#include <cstdint>
#include <string>

#include "KivEngine/ModelDef.h"

struct LibraryShape {
  int32_t Bills = 100000;
  int32_t Resources = 20000;
  int32_t MixedPercent = 10;
  int32_t NormsPerBill = 5;  // on average: 3 to 7
  int32_t LinesPerNorm = 8;  // on average: 6 to 10
  int32_t BillsPerGroup = 50;

  // Identifies the shape, so that a library written earlier can be reused.
  std::string Stamp() const;
};

// The full code of bill i (0-based): pairs of bills share their 9-character code.
std::string GeneratedBillCode(int32_t bill);

void GenerateLibrary(const kivengine::ModelDef& model, const LibraryShape& shape, const std::string& folder,
                     const std::string& password);
