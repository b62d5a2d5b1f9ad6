// Pieces of JSON text (UTF-8) for the model's result.
#pragma once

#include <string>

namespace kivengine {

// A JSON string of GBK text; bytes that are no text become U+FFFD.
void AppendJsonString(std::string& out, const std::string& gbk);

// A JSON number, the shortest that reads back the same; null when not finite.
void AppendJsonNumber(std::string& out, double value);

}  // namespace kivengine
