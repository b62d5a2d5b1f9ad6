#include "archive/ZipRecordIO.h"

#include <algorithm>

#include "archive/QuarnZipFile.h"
#include "rtl/Exceptions.h"

std::string ReadRecordString(TStream* stream, uint32_t count) {
  if (count == 0) return {};
  if (count > stream->Size() - stream->Position() || count > INT32_MAX) throw EReadError(SReadError);
  std::string bytes(count, '\0');
  stream->ReadBuffer(bytes.data(), static_cast<int32_t>(count));
  return bytes;
}

std::string ReadAvailable(TStream* stream, uint32_t count) {
  const int64_t rest = stream->Size() - stream->Position();
  return ReadRecordString(stream, static_cast<uint32_t>(std::clamp<int64_t>(rest, 0, count)));
}

std::string ReadRestOfStream(TStream* stream) {
  const int64_t rest = stream->Size() - stream->Position();
  // Streams move at most 2 GB in one call.
  CheckFieldFits(std::max<int64_t>(rest, 0), INT32_MAX, "数据长度");
  return ReadRecordString(stream, static_cast<uint32_t>(std::max<int64_t>(rest, 0)));
}

void CheckFieldFits(uint64_t value, uint64_t limit, const char* what) {
  if (value > limit) RaiseZipErrorFmt(SZipFormatLimit, what);
}
