// The table body format that a table's stream loader reads (KivEngine/README.md).
#pragma once

#include "rtl/Stream.h"

namespace kivengine {

class TTable;

// Reads a body from the stream's position into the table, appending its
// records, and leaves the stream right after it. Damaged input raises an
// Exception naming the table; records read before the damage stay appended.
void ReadTableBody(TStream& stream, TTable& table);

}  // namespace kivengine
