// The tools' JSON reader: a document that parses is written out and must read
// back as the same value; a refusal names its place.
#include <cstdint>
#include <string>

#include "tests/fuzz/FuzzSupport.h"
#include "tools/json/Json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Json value;
  try {
    value = ParseJson(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const std::runtime_error& e) {
    FuzzCheck(std::string(e.what()).rfind("JSON line ", 0) == 0, std::string("a refusal without its place: ") + e.what());
    return 0;
  }
  for (const int indent : {-1, 1}) {
    const std::string written = value.dump(indent);
    FuzzCheck(ParseJson(written) == value, "a document written out reads back as another value: " + written);
  }
  return 0;
}
