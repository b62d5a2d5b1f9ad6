// iconv conversion descriptors, kept per thread (POSIX only).
#pragma once

#include <iconv.h>

// A conversion descriptor from one encoding to another in its initial state:
// this thread's own, opened on first use and kept, since opening is costly.
// Invalid ((iconv_t)-1) when iconv knows no such conversion.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from);
  ~IconvHandle();
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  iconv_t get() const { return FDescriptor; }
  bool valid() const { return FDescriptor != reinterpret_cast<iconv_t>(-1); }

 private:
  iconv_t FDescriptor;
  bool FOwned = false;  // opened for this use alone: the thread's cache is gone
};
