// JSON for the tools, the host and the tests (never for the library): the
// values are nlohmann::json, UTF-8 text; this reader adds the strictness the
// builder's sources need.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

using Json = nlohmann::json;

// Parses a whole document in time linear in its size. Raises
// std::runtime_error "JSON line L, column C: why" when the text is not JSON,
// when an object names a member twice, or when values nest deeper than 256.
// Integers that do not fit 64 signed bits come back as floating-point numbers,
// so an integer value always reads as int64_t.
Json ParseJson(const std::string& text);

// The member of that name of an object, or nullptr (also for a value that is
// no object).
const Json* JsonMember(const Json& object, const std::string& name);
