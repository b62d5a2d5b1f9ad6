#include "bench/ratebq/BareIndexes.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be read");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class Cursor {
 public:
  explicit Cursor(const std::string& bytes) : FBytes(bytes) {}
  bool AtEnd() const { return FPos >= FBytes.size(); }
  int32_t Int32() {
    int32_t value;
    Need(4);
    std::memcpy(&value, FBytes.data() + FPos, 4);
    FPos += 4;
    return value;
  }
  std::string ShortString() {
    Need(1);
    const size_t length = static_cast<unsigned char>(FBytes[FPos++]);
    Need(length);
    std::string text = FBytes.substr(FPos, length);
    FPos += length;
    return text;
  }

 private:
  void Need(size_t n) const {
    if (FBytes.size() - FPos < n) throw std::runtime_error("index record cut short");
  }
  const std::string& FBytes;
  size_t FPos = 0;
};

}  // namespace

void BareIndexes::Build(const std::string& folder) {
  const std::string resources = ReadWhole(folder + "/Resource.idx");
  ResIDToOffset.reserve(resources.size() / 12);
  ResOffsetToLength.reserve(resources.size() / 12);
  for (Cursor in(resources); !in.AtEnd();) {
    const int32_t id = in.Int32(), offset = in.Int32(), length = in.Int32();
    ResIDToOffset.emplace(id, offset);
    ResOffsetToLength.emplace(offset, length);
  }

  const std::string bills = ReadWhole(folder + "/RateBQ.Index");
  BQOffsetToLength.reserve(bills.size() / 12);
  BQKeyToOffset.reserve(bills.size() / 12);
  GroupKeyToOffset.reserve(bills.size() / 12);
  Code9ToOffset.reserve(bills.size() / 12);
  CodeToOffset.reserve(bills.size() / 12);
  for (Cursor in(bills); !in.AtEnd();) {
    in.Int32();
    std::string code9 = in.ShortString();
    const int32_t bqKey = in.Int32(), groupKey = in.Int32();
    std::string code = in.ShortString();
    const int32_t offset = in.Int32(), length = in.Int32();
    BQKeyToOffset.emplace(bqKey, offset);
    GroupKeyToOffset.emplace(groupKey, offset);
    Code9ToOffset.emplace(std::move(code9), offset);
    CodeToOffset.emplace(std::move(code), offset);
    BQOffsetToLength.emplace(offset, length);
  }
}
