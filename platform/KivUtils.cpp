#include "platform/KivUtils.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <utility>

#include "platform/ChineseFormats.h"
#include "platform/KivException.h"
#include "rtl/Exceptions.h"
#include "rtl/SysUtils.h"

namespace {

constexpr const char* SInvalidVersion = "非法版本号[%s]，版本号范围必须为[0,255]，且不允许带Build号";
constexpr int32_t kInvalidVersionCode = -1;

// n little-endian bytes as an unsigned number.
template <int n>
uint64_t ReadLittleEndian(TStream* stream) {
  uint8_t bytes[n];
  stream->ReadBuffer(bytes, n);
  uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | bytes[i];
  return v;
}

void ReadBytes(TStream* stream, std::string& s, int64_t n) {
  constexpr int64_t kChunk = 64 * 1024;
  s.clear();
  while (n > 0) {
    const int32_t k = static_cast<int32_t>(std::min(n, kChunk));
    const size_t at = s.size();
    s.resize(at + k);
    stream->ReadBuffer(s.data() + at, k);
    n -= k;
  }
}

}  // namespace

int32_t ReadInt32(TStream* stream) { return static_cast<int32_t>(ReadLittleEndian<4>(stream)); }
uint8_t ReadUInt8(TStream* stream) { return static_cast<uint8_t>(ReadLittleEndian<1>(stream)); }
int8_t ReadInt8(TStream* stream) { return static_cast<int8_t>(ReadLittleEndian<1>(stream)); }
int16_t ReadInt16(TStream* stream) { return static_cast<int16_t>(ReadLittleEndian<2>(stream)); }
uint16_t ReadUInt16(TStream* stream) { return static_cast<uint16_t>(ReadLittleEndian<2>(stream)); }
uint8_t ReadBool(TStream* stream) { return static_cast<uint8_t>(ReadLittleEndian<1>(stream)); }
double ReadDouble(TStream* stream) { return std::bit_cast<double>(ReadLittleEndian<8>(stream)); }

void ReadShortString(TStream* stream, std::string& s) { ReadBytes(stream, s, ReadUInt8(stream)); }

void ReadLongString(TStream* stream, std::string& s) { ReadBytes(stream, s, ReadInt32(stream)); }

void TMemoryStreamReader::Resume() {
  FHandedOver = false;
  FBytes = static_cast<const uint8_t*>(FStream->Memory());
  FSize = FStream->Size();
  FPosition = FStream->Position();
}

// Where a memory stream's read leaves it: at its end, or where it stood when
// that was outside its bytes.
void TMemoryStreamReader::CutOff() {
  if (FPosition >= 0) FPosition = std::max(FPosition, FSize);
  throw EReadError(SReadError);
}

// As ReadBytes: a negative length is the empty string; a string cut off by
// the end takes what there is, then raises.
void TMemoryStreamReader::Bytes(std::string& s, int64_t n) {
  if (n <= 0) return s.clear();
  if (FPosition < 0 || FPosition > FSize) CutOff();
  const int64_t available = std::min(n, FSize - FPosition);
  s.assign(reinterpret_cast<const char*>(FBytes + FPosition), static_cast<size_t>(available));
  FPosition += available;
  if (available < n) CutOff();
}

void SplitLastVersionPart(std::string& rest, std::string& part) {
  const int p = LastCharPos('.', rest);
  if (p == 0) {
    part = std::move(rest);
    rest.clear();
    return;
  }
  part = Trim(rest.substr(p));
  rest = Trim(rest.substr(0, p - 1));
}

int32_t VersionStrToInt(const std::string& s) {
  int32_t result = 0;
  std::string rest = s, part;
  for (int i = 0; i < 3; ++i) {
    SplitLastVersionPart(rest, part);
    if (part.empty()) break;
    int32_t v;
    const bool valid = TryStrToInt(Trim(part), v) && v >= 0 && v <= 255 && !(i == 2 && !rest.empty());
    if (!valid) RaiseKivErrorFmt(SInvalidVersion, kInvalidVersionCode, s);
    result += v << (8 * i);
  }
  return result;
}

#ifndef TARVIK_OLDER_VARIANT
namespace {

struct DataTypeName {
  int32_t Code;
  const char* Name;
};

constexpr DataTypeName kDataTypeNames[] = {
    {0, "edtUnknown"},        {1, "edtNull"},           {2, "edtNullList"},
    {10, "edtInteger"},       {11, "edtFloat"},         {12, "edtString"},
    {13, "edtBoolean"},       {14, "edtDatetime"},      {20, "edtIntegerList"},
    {21, "edtFloatList"},     {22, "edtStringList"},    {23, "edtBooleanList"},
    {24, "edtDatetimeList"},  {50, "edtModel"},         {51, "edtDatabase"},
    {52, "edtTable"},         {53, "edtRecord"},        {54, "edtField"},
    {55, "edtData"},          {56, "edtView"},          {60, "edtDatabaseDynArray"},
    {61, "edtTableDynArray"}, {62, "edtRecordDynArray"},
};

constexpr int32_t kDataTypeCapacity = 32;

}  // namespace

TStrKeyHash* DataTypeCodes = nullptr;
TIntKeyStrHash* DataTypeNames = nullptr;

void InitDataTypeNames() {
  auto codes = std::make_unique<TStrKeyHash>(kDataTypeCapacity, false);
  auto names = std::make_unique<TIntKeyStrHash>(kDataTypeCapacity, false);
  for (const DataTypeName& row : kDataTypeNames) codes->Add(row.Name, row.Code);
  for (const DataTypeName& row : kDataTypeNames) names->Add(row.Code, row.Name);
  DataTypeCodes = codes.release();
  DataTypeNames = names.release();
}

void KivUtilsInitialize() { InitDataTypeNames(); }

void KivUtilsFinalize() {
  delete std::exchange(DataTypeCodes, nullptr);
  delete std::exchange(DataTypeNames, nullptr);
}
#endif
