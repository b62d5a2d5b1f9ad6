// Writing a bitmap as a PNG file, for a person to look at.
#pragma once

#include <string>

#include "rtl/Bitmap.h"

// Writes the bitmap's pixels as an 8-bit RGB PNG into the file of that UTF-8
// name; false with a reason in error.
bool WritePng(TBitmap* bitmap, const std::string& fileName, std::string& error);
