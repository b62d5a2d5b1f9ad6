// The model's result for the host: a JSON document (UTF-8) of its data sets,
// their tables with field definitions, and every record's values and null
// states. KivEngine/README.md gives the shape.
#pragma once

#include <string>

namespace kivengine {

class TModel;

// Replaces what result holds by the document, keeping its storage when that is
// large enough; on failure result is left empty.
void WriteModelJson(const TModel& model, std::string& result);

}  // namespace kivengine
