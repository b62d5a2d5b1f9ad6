// TZipFileEntry: one entry's records, its stored bytes, and the road between
// plain and stored bytes (CRC-32, deflate, encryption and back).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "archive/ByteViewStream.h"
#include "archive/QuarnZipEnc.h"
#include "archive/QuarnZipFile.h"
#include "archive/ZipRecordIO.h"
#include "archive/ZlibStreams.h"
#include "rtl/Assert.h"
#include "rtl/FileStream.h"

namespace {

constexpr const char* kUnit = "QuarnZipFile";
constexpr const char* kAssertionFailure = "Assertion failure";
constexpr int kLineOpenDecryptStream = 795;
constexpr int kLineOpenEncryptStream = 816;
constexpr int kLineReadCentral = 1263;
constexpr int kLineReadTrailer = 1300;
constexpr int kLineLoadFromStream = 1334;
constexpr int kLineReadLocal = 1353;
constexpr int kLineWriteCentral = 1404;
constexpr int kLineWriteTrailer = 1424;
constexpr int kLineWriteLocal = 1448;
constexpr int kLineSaveToStream = 1499;

constexpr int kTrailerSize = 16;

// Offsets in the local header image (the record after its signature).
constexpr int kLocVersion = 0;
constexpr int kLocFlags = 2;
constexpr int kLocMethod = 4;
constexpr int kLocTime = 6;
constexpr int kLocDate = 8;
constexpr int kLocCrc = 10;
constexpr int kLocCompressedSize = 14;
constexpr int kLocUncompressedSize = 18;
constexpr int kLocNameLength = 22;
constexpr int kLocExtraLength = 24;

// Offsets in the central record image; bytes 6 to 31 mirror the local header.
constexpr int kCenVersionMadeBy = 4;
constexpr int kCenLocalCopy = 6;
constexpr int kCenCompressedSize = 20;
constexpr int kCenUncompressedSize = 24;
constexpr int kCenNameLength = 28;
constexpr int kCenExtraLength = 30;
constexpr int kCenCommentLength = 32;
constexpr int kCenAttributes = 38;
constexpr int kCenLocalOffset = 42;

constexpr uint16_t kVersion20 = 20;

// What an entry never given data holds: an empty deflate stream, which every
// reader takes for empty data.
const std::string kEmptyDeflateStream("\x03\x00", 2);

// zlib's level for a level code; codes above 12 take zlib's default.
int ZlibLevel(uint8_t code) {
  switch (code) {
    case 0: return Z_NO_COMPRESSION;
    case 1: return Z_BEST_SPEED;
    case 2: return Z_DEFAULT_COMPRESSION;
    case 3: return Z_BEST_COMPRESSION;
    default: return code <= 12 ? code - 3 : Z_DEFAULT_COMPRESSION;
  }
}

void RequireStream(TStream* stream, int line) { Assert(stream != nullptr, kAssertionFailure, kUnit, line); }

void FreeObject(TObject* object) { object->Free(); }

// A class-library object owned for one scope.
template <class T>
using Owned = std::unique_ptr<T, void (*)(TObject*)>;

Owned<TZipEncryptStream> OpenEncryptStream(TStream* dest, uint32_t check, const std::string& password) {
  RequireStream(dest, kLineOpenEncryptStream);
  return {New<TZipEncryptStream>(dest, check, password), FreeObject};
}

// The decrypting reader with its header verified, or nothing when the header
// does not match the password.
Owned<TZipDecryptStream> OpenDecryptStream(TStream* source, uint32_t check, const std::string& password) {
  RequireStream(source, kLineOpenDecryptStream);
  Owned<TZipDecryptStream> reader(New<TZipDecryptStream>(source, check, password), FreeObject);
  if (!reader->VerifyHeader()) reader.reset();
  return reader;
}

// Plain bytes are made in a string or a memory stream, grown as they come out;
// the bytes already there stay. A memory stream grows without zeroing.
char* GrowTo(std::string& plain, size_t size) {
  plain.resize(size);
  return plain.data();
}

char* GrowTo(TMemoryStream& plain, size_t size) {
  plain.SetSize(static_cast<int64_t>(size));
  return static_cast<char*>(plain.Memory());
}

uint32_t PlainCrc32(const std::string& plain) { return StringCrc32(plain); }
uint32_t PlainCrc32(TMemoryStream& plain) { return BufferCrc32(plain.Memory(), static_cast<size_t>(plain.Size())); }

}  // namespace

TZipFileEntry::TZipFileEntry(TZipFile* owner, const std::string& name, uint32_t attributes, TDateTime time)
    : FOwner(owner), FName(ToZipName(name)), FLevel(owner->Level()) {
  if (std::fabs(time) < 1e-12) time = Now();
  std::memset(FLocalHeader, 0, kLocalSize);
  PutLE16(FLocalHeader + kLocVersion, kVersion20);
  PutLE16(FLocalHeader + kLocMethod, kZipMethodDeflated);
  SetDateTime(time);
  PutLE16(FLocalHeader + kLocNameLength, static_cast<uint16_t>(FName.size()));
  FData = kEmptyDeflateStream;
  PutLE32(FLocalHeader + kLocCompressedSize, static_cast<uint32_t>(FData.size()));
  std::memset(FCentralRecord, 0, kCentralSize);
  PutLE32(FCentralRecord, kZipCentralSignature);
  PutLE16(FCentralRecord + kCenVersionMadeBy, kVersion20);
  SyncCentralWithLocal();
  PutLE32(FCentralRecord + kCenAttributes, attributes);
}

uint16_t TZipFileEntry::Flags() const { return GetLE16(FLocalHeader + kLocFlags); }
uint16_t TZipFileEntry::Method() const { return GetLE16(FLocalHeader + kLocMethod); }
uint32_t TZipFileEntry::Attributes() { return GetLE32(FCentralRecord + kCenAttributes); }
int32_t TZipFileEntry::CompressedSize() { return static_cast<int32_t>(GetLE32(FLocalHeader + kLocCompressedSize)); }
uint32_t TZipFileEntry::CRC32() { return GetLE32(FLocalHeader + kLocCrc); }
bool TZipFileEntry::Encrypted() { return Flags() & kZipFlagEncrypted; }

int32_t TZipFileEntry::UncompressedSize() { return static_cast<int32_t>(GetLE32(FLocalHeader + kLocUncompressedSize)); }

void TZipFileEntry::SetAttributes(uint32_t value) { PutLE32(FCentralRecord + kCenAttributes, value); }

TDateTime TZipFileEntry::DateTime() {
  return FileDateToDateTime(static_cast<uint32_t>(GetLE16(FLocalHeader + kLocDate)) << 16 |
                            GetLE16(FLocalHeader + kLocTime));
}

void TZipFileEntry::SetDateTime(TDateTime value) {
  const uint32_t packed = DateTimeToFileDate(value);
  PutLE16(FLocalHeader + kLocTime, static_cast<uint16_t>(packed));
  PutLE16(FLocalHeader + kLocDate, static_cast<uint16_t>(packed >> 16));
}

std::string TZipFileEntry::OwnerPassword() const { return FOwner ? FOwner->Password() : std::string(); }

bool TZipFileEntry::OwnerHasPassword() const { return !OwnerPassword().empty(); }

void TZipFileEntry::SyncCentralWithLocal() { std::memcpy(FCentralRecord + kCenLocalCopy, FLocalHeader, kLocalSize); }

// Never hand out or write back bytes that may not be the entry's.
void TZipFileEntry::RequireKnownData() const {
  if (FDataUnknown) RaiseZipErrorFmt(SZipSizesUnknown, FName);
}

// Writers that cannot wait for the CRC-32 (flags bit 3) check the header
// against the modification time instead.
uint32_t TZipFileEntry::CheckValue() const {
  if (Flags() & kZipFlagCheckFromTime) return static_cast<uint32_t>(GetLE16(FLocalHeader + kLocTime)) << 16;
  return GetLE32(FLocalHeader + kLocCrc);
}

void TZipFileEntry::LevelFromFlags() {
  if (Method() != kZipMethodDeflated) {
    FLevel = 4;
    return;
  }
  switch (Flags() & kZipFlagDeflateOption) {
    case 0: FLevel = 2; break;
    case 2: FLevel = 3; break;
    default: FLevel = 1; break;
  }
}

std::string TZipFileEntry::Encrypt(const std::string& bytes) const {
  TStringStream out;
  int32_t written;
  {
    auto writer = OpenEncryptStream(&out, CheckValue(), OwnerPassword());
    written = writer->Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  if (written != static_cast<int32_t>(bytes.size())) RaiseZipError(SZipCompressError);
  return out.DataString();
}

std::string TZipFileEntry::RawDeflate(const std::string& bytes) const {
  TStringStream out;
  TCompressionStream compressor(&out, ZlibLevel(FLevel));
  compressor.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  compressor.Finish();
  return out.DataString();
}

// Exactly size bytes inflated from raw. The output starts at a size that the
// data can plausibly back and grows only as data really comes out, so a
// declared size far beyond the data costs no memory; data that ends short of
// the declared size is an error rather than an empty result.
template <class Out>
void TZipFileEntry::RawInflate(TStream* raw, int64_t rawSize, uint32_t size, Out& plain) const {
  TDecompressionStream inflater(raw);
  char* out = nullptr;
  size_t have = 0, room = 0;
  const size_t initial = std::max<size_t>(rawSize * 16, 0x10000);
  while (have < size) {
    if (have == room) out = GrowTo(plain, room = std::min<size_t>(size, std::max(initial, room * 2)));
    const size_t want = std::min<size_t>(room - have, INT32_MAX);
    const int32_t n = inflater.Read(out + have, static_cast<int32_t>(want));
    if (n == 0) RaiseZipError(SZipCompressError);
    have += n;
  }
}

// The encrypted flag follows what is stored, so that the entry reads its own
// data back before and after a save, whatever the password is by then.
void TZipFileEntry::SetData(const std::string& plain) {
  // Streams move at most 2 GB in one call; more would be cut short unseen.
  CheckFieldFits(plain.size(), INT32_MAX, "数据长度");
  PutLE32(FLocalHeader + kLocCrc, StringCrc32(plain));
  PutLE32(FLocalHeader + kLocUncompressedSize, static_cast<uint32_t>(plain.size()));
  const bool encrypt = OwnerHasPassword();
  switch (Method()) {
    case kZipMethodStored: FData = encrypt ? Encrypt(plain) : plain; break;
    case kZipMethodDeflated: {
      std::string deflated = RawDeflate(plain);
      FData = encrypt ? Encrypt(deflated) : std::move(deflated);
      break;
    }
    default: RaiseZipErrorFmt(SZipUnknownMethod, static_cast<int>(Method()));
  }
  PutLE16(FLocalHeader + kLocFlags, encrypt ? Flags() | kZipFlagEncrypted : Flags() & ~kZipFlagEncrypted);
  PutLE32(FLocalHeader + kLocCompressedSize, static_cast<uint32_t>(FData.size()));
  FDataUnknown = false;
  SyncCentralWithLocal();
}

// Encrypted bytes are decrypted on their way into the inflater, in the
// inflater's own buffer, so no decrypted copy of the whole entry is made.
template <class Out>
void TZipFileEntry::ReadPlain(Out& plain) {
  RequireKnownData();
  const uint16_t method = Method();
  if (method != kZipMethodStored && method != kZipMethodDeflated) RaiseZipErrorFmt(SZipUnknownMethod, method);
  const bool encrypted = Encrypted();
  TByteViewStream stored(FData);
  TStream* source = &stored;
  int64_t count = static_cast<int64_t>(FData.size());
  Owned<TZipDecryptStream> reader(nullptr, FreeObject);
  if (encrypted) {
    reader = OpenDecryptStream(&stored, CheckValue(), OwnerPassword());
    if (!reader) RaiseZipError(SZipBadPassword);
    source = reader.get();
    count -= kZipHeaderSize;
  }
  if (method == kZipMethodDeflated) {
    RawInflate(source, count, GetLE32(FLocalHeader + kLocUncompressedSize), plain);
  } else if (encrypted) {
    source->ReadBuffer(GrowTo(plain, count), static_cast<int32_t>(count));
  } else if (count > 0) {
    std::memcpy(GrowTo(plain, count), FData.data(), count);
  }
  if (!encrypted && PlainCrc32(plain) != CRC32()) RaiseZipErrorFmt(SZipCrcError, FName);
}

std::string TZipFileEntry::GetData() {
  std::string plain;
  ReadPlain(plain);
  return plain;
}

void TZipFileEntry::GetDataInto(TMemoryStream& plain) { ReadPlain(plain); }

void TZipFileEntry::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TZipFileEntry::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

void TZipFileEntry::LoadFromStream(TStream* stream) {
  RequireStream(stream, kLineLoadFromStream);
  SetData(ReadRestOfStream(stream));
}

void TZipFileEntry::SaveToStream(TStream* stream) {
  RequireStream(stream, kLineSaveToStream);
  const std::string plain = GetData();
  stream->WriteBuffer(plain.data(), static_cast<int32_t>(plain.size()));
}

// A central record cut short by the end of the stream is passed over to that
// end: the entry keeps what its local record gave.
void TZipFileEntry::ReadCentral(TStream* stream) {
  RequireStream(stream, kLineReadCentral);
  stream->Seek(-4, TSeekOrigin::soCurrent);
  uint8_t record[kCentralSize];
  const bool whole = stream->Read(record, kCentralSize) == kCentralSize &&
                     stream->Size() - stream->Position() >= int64_t{GetLE16(record + kCenNameLength)} +
                                                                GetLE16(record + kCenExtraLength) +
                                                                GetLE16(record + kCenCommentLength);
  if (!whole) {
    stream->Seek(0, TSeekOrigin::soEnd);
    return;
  }
  FName = ReadRecordString(stream, GetLE16(record + kCenNameLength));
  FExtra = ReadRecordString(stream, GetLE16(record + kCenExtraLength));
  FComment = ReadRecordString(stream, GetLE16(record + kCenCommentLength));
  std::memcpy(FCentralRecord, record, kCentralSize);
  FDataUnknown = GetLE32(record + kCenCompressedSize) != GetLE32(FLocalHeader + kLocCompressedSize) ||
                 GetLE32(record + kCenUncompressedSize) != GetLE32(FLocalHeader + kLocUncompressedSize);
}

void TZipFileEntry::ReadTrailer(TStream* stream) {
  RequireStream(stream, kLineReadTrailer);
  if (!Encrypted()) return;
  // Nothing in the trailer is used; a block that ends without it is no error.
  uint8_t trailer[kTrailerSize];
  stream->Read(trailer, kTrailerSize);
}

void TZipFileEntry::ReadLocal(TStream* stream) {
  RequireStream(stream, kLineReadLocal);
  uint8_t header[kLocalSize];
  stream->ReadBuffer(header, kLocalSize);
  std::string name = ReadRecordString(stream, GetLE16(header + kLocNameLength));
  std::string extra = ReadRecordString(stream, GetLE16(header + kLocExtraLength));
  std::string data = ReadRecordString(stream, GetLE32(header + kLocCompressedSize));
  std::memcpy(FLocalHeader, header, kLocalSize);
  FName = std::move(name);
  FExtra = std::move(extra);
  FData = std::move(data);
  // A writer that could not seek back keeps the sizes in a data descriptor
  // after the data and leaves the local ones 0.
  FDataUnknown = (Flags() & kZipFlagCheckFromTime) && GetLE32(FLocalHeader + kLocCompressedSize) == 0;
  LevelFromFlags();
}

void TZipFileEntry::WriteLocal(TStream* stream) {
  RequireStream(stream, kLineWriteLocal);
  RequireKnownData();
  CheckFieldFits(FName.size(), UINT16_MAX, "名称长度");
  CheckFieldFits(FExtra.size(), UINT16_MAX, "扩展字段长度");
  CheckFieldFits(stream->Position(), UINT32_MAX, "位置");
  // The central name and extra field of another tool's archive may differ in
  // length from the local ones: write the record that the entry now holds.
  PutLE16(FLocalHeader + kLocNameLength, static_cast<uint16_t>(FName.size()));
  PutLE16(FLocalHeader + kLocExtraLength, static_cast<uint16_t>(FExtra.size()));
  SyncCentralWithLocal();
  PutLE32(FCentralRecord + kCenLocalOffset, static_cast<uint32_t>(stream->Position()));
  uint8_t signature[4];
  PutLE32(signature, kZipLocalSignature);
  stream->WriteBuffer(signature, 4);
  stream->WriteBuffer(FLocalHeader, kLocalSize);
  stream->WriteBuffer(FName.data(), static_cast<int32_t>(FName.size()));
  stream->WriteBuffer(FExtra.data(), static_cast<int32_t>(FExtra.size()));
  stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TZipFileEntry::WriteTrailer(TStream* stream) {
  RequireStream(stream, kLineWriteTrailer);
  if (!Encrypted()) return;
  // CRC-32 and both sizes; the last 4 bytes are reserved and written as zero.
  uint8_t trailer[kTrailerSize] = {};
  std::memcpy(trailer, FLocalHeader + kLocCrc, 12);
  stream->WriteBuffer(trailer, kTrailerSize);
}

void TZipFileEntry::WriteCentral(TStream* stream) {
  RequireStream(stream, kLineWriteCentral);
  stream->WriteBuffer(FCentralRecord, kCentralSize);
  stream->WriteBuffer(FName.data(), static_cast<int32_t>(FName.size()));
  stream->WriteBuffer(FExtra.data(), static_cast<int32_t>(FExtra.size()));
  stream->WriteBuffer(FComment.data(), static_cast<int32_t>(FComment.size()));
}
