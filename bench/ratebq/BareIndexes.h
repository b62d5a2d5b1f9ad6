// The seven indexes of a rate library built with bare standard containers from
// the same index files: the yardstick for the reader's index build.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

struct BareIndexes {
  std::unordered_map<int32_t, int32_t> ResIDToOffset, ResOffsetToLength, BQOffsetToLength;
  std::unordered_multimap<int32_t, int32_t> BQKeyToOffset, GroupKeyToOffset;
  std::unordered_multimap<std::string, int32_t> Code9ToOffset, CodeToOffset;

  // Reads "Resource.idx" and "RateBQ.Index" of the folder whole and fills the
  // containers, reserved as the reader sizes its tables (file size / 12).
  void Build(const std::string& folder);
};
