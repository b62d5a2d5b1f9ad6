// Test support: the names a directory search finds.
#pragma once

#include <set>
#include <string>

#include "rtl/FileSearch.h"

inline std::set<std::string> Search(const std::string& pattern, int32_t attr) {
  std::set<std::string> names;
  TSearchRec found;
  if (FindFirst(pattern, attr, found) != 0) return names;
  do names.insert(found.Name);
  while (FindNext(found) == 0);
  FindClose(found);
  return names;
}
