// Delphi-style Format: printf conversions, with std::string accepted for %s.
#pragma once

#include <string>
#include <type_traits>

std::string FormatV(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace rtl_detail {
template <class T>
decltype(auto) FormatArg(const T& value) {
  if constexpr (std::is_same_v<T, std::string>)
    return value.c_str();
  else
    return value;
}
}  // namespace rtl_detail

template <class... Args>
std::string Format(const std::string& format, const Args&... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  return FormatV(format.c_str(), rtl_detail::FormatArg(args)...);
#pragma GCC diagnostic pop
}
