// Model files (".Kiv"): UTF-8 text that defines a model's data sets, tables,
// fields, kinds, types and key fields. KivEngine/README.md gives the format.
#pragma once

#include <string>

#include "KivEngine/ModelDef.h"

namespace kivengine {

// How deep nested tables may stand inside one another; deeper is refused,
// since tables are read by recursion.
inline constexpr int kMaxNesting = 32;

// The definition in the model file of that (GBK) name; an Exception that names
// the file and the line when the text is not a valid model.
ModelDef LoadModelFile(const std::string& fileName);

// The definition that a model file's text gives; fileName is for messages.
ModelDef ParseModel(const std::string& text, const std::string& fileName);

}  // namespace kivengine
