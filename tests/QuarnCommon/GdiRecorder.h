// Test support: a record of the winport calls that the drawing and load-time
// units make. This program defines those calls itself; each writes a line and
// goes on to winport's own.
#pragma once

#include <string>
#include <vector>

namespace recorder {

void Start();
// The lines written since Start; recording stops.
std::vector<std::string> Stop();
// The recorded lines that begin with the call's name.
std::vector<std::string> Only(const std::vector<std::string>& calls, const std::string& name);

// While set, LoadBitmapA finds no resource.
extern bool FailLoadBitmap;

}  // namespace recorder
