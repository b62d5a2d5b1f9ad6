// A small JSON reader for the documents the rate model hands back.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct JsonValue {
  enum class Kind { Null, Boolean, Number, String, Array, Object };
  Kind Type = Kind::Null;
  std::string Text;  // a string's UTF-8 text, a number's or a Boolean's spelling
  std::vector<JsonValue> Items;
  std::vector<std::pair<std::string, JsonValue>> Members;

  // The member with that name, or nullptr.
  const JsonValue* Member(const std::string& name) const;
};

// Parses one whole document; std::runtime_error on malformed text.
JsonValue ParseJson(const std::string& text);
