#include "tools/json/Json.h"

#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

// Nesting deeper than this is refused, so that no reader of the value runs
// out of stack.
constexpr size_t kMaxDepth = 256;

// Walks the text for the parser and keeps count of the bytes it has taken, so
// that errors found between tokens can name their place.
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator(const char* at, size_t* taken) : FAt(at), FTaken(taken) {}
  reference operator*() const { return *FAt; }
  CountingIterator& operator++() {
    ++FAt;
    ++*FTaken;
    return *this;
  }
  bool operator==(const CountingIterator& other) const { return FAt == other.FAt; }

 private:
  const char* FAt;
  size_t* FTaken;
};

// Builds the document from the parser's events, refusing a member named twice
// and nesting too deep.
class DocumentBuilder {
 public:
  DocumentBuilder(const std::string& text, const size_t& taken) : FText(text), FTaken(taken) {}

  Json Take() { return std::move(FRoot); }

  bool null() { return Put(nullptr); }
  bool boolean(bool value) { return Put(value); }
  bool number_integer(int64_t value) { return Put(value); }
  bool number_unsigned(uint64_t value) {
    return value <= INT64_MAX ? Put(static_cast<int64_t>(value)) : Put(static_cast<double>(value));
  }
  bool number_float(double value, const std::string&) { return Put(value); }
  bool string(std::string& value) { return Put(std::move(value)); }
  bool binary(Json::binary_t&) { return true; }  // text holds none
  bool start_object(size_t) { return Open(Json::object()); }
  bool start_array(size_t) { return Open(Json::array()); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }

  bool key(std::string& name) {
    Json& object = *FOpen.back();
    if (object.contains(name)) Fail(KeyStart(), "duplicate member \"" + name + "\"");
    FMember = &object[name];
    return true;
  }

  bool parse_error(size_t position, const std::string&, const Json::exception& error) {
    // nlohmann's text goes "[json.exception...] parse error at line L, column C: why".
    const std::string what = error.what();
    const size_t column = what.find("column ");
    const size_t why = column == std::string::npos ? std::string::npos : what.find(": ", column);
    Fail(position > 0 ? position - 1 : 0, why == std::string::npos ? what : what.substr(why + 2));
  }

 private:
  Json* Place(Json value) {
    if (FOpen.empty()) {
      FRoot = std::move(value);
      return &FRoot;
    }
    Json& parent = *FOpen.back();
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    *FMember = std::move(value);
    return FMember;
  }
  bool Put(Json value) {
    Place(std::move(value));
    return true;
  }
  // Containers stay where they were placed while they are open: an array
  // grows only once its open child has closed.
  bool Open(Json container) {
    if (FOpen.size() > kMaxDepth) Fail(FTaken - 1, "nesting too deep");
    FOpen.push_back(Place(std::move(container)));
    return true;
  }
  bool Close() {
    FOpen.pop_back();
    return true;
  }

  // The opening quote of the member name that was just read.
  size_t KeyStart() const {
    size_t at = FTaken - 1;  // its closing quote
    while (at > 0) {
      --at;
      size_t backslashes = 0;
      while (backslashes < at && FText[at - 1 - backslashes] == '\\') ++backslashes;
      if (FText[at] == '"' && backslashes % 2 == 0) break;
    }
    return at;
  }

  // Names the line and column (in characters) of the byte at `at`.
  [[noreturn]] void Fail(size_t at, const std::string& why) const {
    int line = 1, column = 1;
    for (size_t i = 0; i < at && i < FText.size(); ++i) {
      if (FText[i] == '\n') {
        ++line;
        column = 1;
      } else if ((FText[i] & 0xC0) != 0x80) {
        ++column;
      }
    }
    throw std::runtime_error("JSON line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + why);
  }

  const std::string& FText;
  const size_t& FTaken;
  Json FRoot;
  std::vector<Json*> FOpen;
  Json* FMember = nullptr;
};

}  // namespace

Json ParseJson(const std::string& text) {
  size_t taken = 0;
  DocumentBuilder builder(text, taken);
  Json::sax_parse(CountingIterator(text.data(), &taken), CountingIterator(text.data() + text.size(), &taken), &builder);
  return builder.Take();
}

const Json* JsonMember(const Json& object, const std::string& name) {
  const auto found = object.find(name);
  return found == object.end() ? nullptr : &*found;
}
