// JSON text (UTF-8) for the model's result, written through a buffer of its
// own onto the end of a string: no temporary string per value. What the buffer
// holds reaches the string at Flush, which the writer's user calls at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace kivengine {

class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : FOut(out), FBuffer(new char[kBufferSize]) {}
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  void Raw(std::string_view text) {
    if (text.size() > kBufferSize - FUsed) return RawLong(text);
    std::memcpy(FBuffer.get() + FUsed, text.data(), text.size());
    FUsed += text.size();
  }
  void Char(char c) { *Room(1) = c, ++FUsed; }
  void Integer(int32_t value);
  // The shortest number that reads back the same; null when not finite.
  void Number(double value);
  // GBK text as a JSON string; a byte that is no GBK character becomes U+FFFD.
  void String(std::string_view gbk);
  // Moves what the buffer holds onto the string.
  void Flush();
  // The bytes written so far.
  size_t Written() const { return FOut.size() + FUsed; }

 private:
  static constexpr size_t kBufferSize = 64 * 1024;
  void RawLong(std::string_view text);
  // Where the next n bytes (at most kBufferSize) go.
  char* Room(size_t n) {
    if (kBufferSize - FUsed < n) Flush();
    return FBuffer.get() + FUsed;
  }

  std::string& FOut;
  std::unique_ptr<char[]> FBuffer;
  size_t FUsed = 0;
};

}  // namespace kivengine
