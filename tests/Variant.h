// Test support: which variant of the library the test program is built for.
// Tests that state one variant's behaviour stand in that variant's section of
// their file; a value that differs is written once for each.
#pragma once

#ifdef TARVIK_OLDER_VARIANT
inline constexpr bool kOlderVariant = true;
#else
inline constexpr bool kOlderVariant = false;
#endif

// The current variant's value, or the older variant's.
template <class T>
constexpr T ByVariant(T current, T older) {
  return kOlderVariant ? older : current;
}
