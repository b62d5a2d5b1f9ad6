// The row count of each table of the data set "UserBQItemDB" in a model's
// result, read in one pass over the JSON text without building it up in
// memory: the result of a large request is far larger than its counts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Each table's name (UTF-8) and the number of its records, in the result's
// order. std::runtime_error when the text is not JSON or holds no such data set
// (of several, the last counts).
std::vector<std::pair<std::string, size_t>> CountResultRows(std::string_view json);
