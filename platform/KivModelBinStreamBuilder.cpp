#include "platform/KivModelBinStreamBuilder.h"

#include <string>

#include "platform/KivException.h"
#include "platform/KivUtils.h"
#include "rtl/Assert.h"
#include "rtl/Exceptions.h"

namespace {

constexpr const char* kUnit = "KivModelBinStreamBuilder";
constexpr const char* kAssertionFailure = "Assertion failure";
#ifdef TARVIK_OLDER_VARIANT
constexpr int kLineStoreValue = 981;
#else
constexpr int kLineStoreValue = 1078;
constexpr int kLineSkipValue = 1138;
#endif

constexpr const char* SNotLoading = "当前操作只能在装载期执行";
constexpr int32_t kNotLoadingCode = 44;

// Bits of the flags byte that opens every field.
constexpr uint8_t kFlagNull = 0x01;
constexpr uint8_t kFlagNoValue = 0x02;
constexpr uint8_t kFlagBit3 = 0x08;
constexpr uint8_t kFlagBit5 = 0x20;

// Data types 0 to 11 select a value encoding; the top bit of the seven-bit
// code space and everything above 11 are not encodings.
constexpr int32_t kDataTypeMask = 0x7F;
constexpr int32_t kLastDataType = 11;

// The field's encoding, checked before any value byte is read, so that a
// failure leaves the stream right after the flags byte.
int32_t ValueEncoding(IKivField* field, int assertLine) {
  const int32_t dataType = field->DataType() & kDataTypeMask;
  Assert(dataType <= kLastDataType, kAssertionFailure, kUnit, assertLine);
  return dataType;
}

// Any stream through the stream readers, with the face of TMemoryStreamReader.
class TStreamReader {
 public:
  explicit TStreamReader(TStream* stream) : FStream(stream) {}
  int32_t Int32() { return ReadInt32(FStream); }
  uint8_t UInt8() { return ReadUInt8(FStream); }
  int8_t Int8() { return ReadInt8(FStream); }
  int16_t Int16() { return ReadInt16(FStream); }
  uint16_t UInt16() { return ReadUInt16(FStream); }
  uint8_t Bool() { return ReadBool(FStream); }
  double Double() { return ReadDouble(FStream); }
  void ShortString(std::string& s) { ReadShortString(FStream, s); }
  void LongString(std::string& s) { ReadLongString(FStream, s); }
  TStream* Stream() { return FStream; }
  void Resume() {}

 private:
  TStream* FStream;
};

// Reads one value of the encoding and hands it to take as an int32_t, a
// double, a bool or a string. Text is read into the caller's string, whose
// storage is reused from field to field.
template <class In, class Take>
void ReadValue(In& in, int32_t encoding, std::string& text, Take&& take) {
  switch (encoding) {
    case 0: in.ShortString(text); return take(static_cast<const std::string&>(text));
    case 1: return take(in.Bool());
    case 2: return take(in.Int32());
    case 3: return take(int32_t{in.Int8()});
    case 4: return take(int32_t{in.UInt8()});
    case 5: return take(int32_t{in.Int16()});
    case 6: return take(int32_t{in.UInt16()});
    case 7: case 8: case 9: return take(in.Double());
    default: in.LongString(text); return take(static_cast<const std::string&>(text));  // 10, 11
  }
}

struct SetField {
  IKivField* Field;
  void operator()(const std::string& value) const { Field->SetAsString(value); }
  void operator()(uint8_t value) const { Field->SetAsBoolean(value); }
  void operator()(int32_t value) const { Field->SetAsInteger(value); }
  void operator()(double value) const { Field->SetAsFloat(value); }
};

template <class In>
void StoreValue(In& in, IKivField* field, std::string& text) {
  ReadValue(in, ValueEncoding(field, kLineStoreValue), text, SetField{field});
}

// A record that its table has let go of stands in no loading table.
bool TableLoading(IKivRecord* record) {
  IntfPtr<IKivTable> table;
  record->Table(table);
  return table && table->LoadState() == KivLoadStateFilling;
}

template <class In>
void LoadPlain(In& in, IKivField* field, std::string& text) {
  const uint8_t flags = in.UInt8();
  field->SetFlagBit5(flags & kFlagBit5);
  field->SetFlagBit1(flags & kFlagNoValue);
  if (flags & kFlagNoValue) return;
  if (flags & kFlagNull) {
    field->SetIsNull(true);
    return;
  }
  StoreValue(in, field, text);
}

#ifndef TARVIK_OLDER_VARIANT
// A record may refuse loads into such fields outside its table's loading
// state; the field's bytes are still in the stream.
bool FieldLoadRefused(IKivField* field) {
  IntfPtr<IKivRecord> record;
  field->OwnerRecord(record);
  return !record->AllowsFieldLoad() && !TableLoading(record.get());
}

// Reads past the field without calling any of its setters.
template <class In>
void SkipPlain(In& in, IKivField* field, std::string& text) {
  const uint8_t flags = in.UInt8();
  if (flags & (kFlagNull | kFlagNoValue)) return;
  ReadValue(in, ValueEncoding(field, kLineSkipValue), text, [](const auto&) {});
}
#endif

// Kinds 4 and 5 in the layout with flag set.
template <class In>
void LoadUnlessRefused(In& in, IKivField* field, std::string& text) {
#ifndef TARVIK_OLDER_VARIANT
  if (FieldLoadRefused(field)) {
    SkipPlain(in, field, text);
    return;
  }
#endif
  LoadPlain(in, field, text);
}

template <class In>
void LoadText(In& in, IKivField* field, bool flag, std::string& text) {
  if (flag) {
    LoadUnlessRefused(in, field, text);
  } else {
    const uint8_t flags = in.UInt8();
    if (flags & kFlagNull) field->SetIsNull(true);
    field->SetFlagBit5(flags & kFlagBit5);
  }
  in.LongString(text);
  field->SetText(text);
}

template <class In>
void LoadTracked(In& in, IKivField* field, bool flag, std::string& text) {
  const uint8_t flags = in.UInt8();
  field->SetFlagBit1(flags & kFlagNoValue);
  if (flags & kFlagNoValue) return;
  if ((flags & kFlagBit3) && (!flag || (flags & kFlagNull))) {
    field->SetIsNull(true);
  } else {
    StoreValue(in, field, text);
  }
  // Once a record stands in a table that is no longer loading, the stream may
  // set bit 3 but never clear it.
  IntfPtr<IKivRecord> record;
  field->OwnerRecord(record);
  if (TableLoading(record.get()) || record->RecordIndex() == -1) {
    field->SetFlagBit3(flags & kFlagBit3);
  } else if (flags & kFlagBit3) {
    field->SetFlagBit3(true);
  }
}

template <class In>
void LoadNestedTable(In& in, IKivField* field) {
  const uint8_t flags = in.UInt8();
  if (flags & kFlagNull) return;
  IntfPtr<IKivTable> table;
  field->NestedTable(table);
  TKivTableStreamBuilder::LoadFromStream(in.Stream(), table.get());
  in.Resume();
}

}  // namespace

void TKivTableStreamBuilder::LoadFromStream(TStream* stream, IKivTable* table) {
  if (table->LoadState() != KivLoadStateFilling) RaiseKivError(SNotLoading, kNotLoadingCode);
  IKivTableStreamLoader* raw = nullptr;
  if (table->QueryInterface(IKivTableStreamLoader::IID, reinterpret_cast<void**>(&raw)) != S_OK || !raw) {
    throw EIntfCastError(SIntfCastError);
  }
  const auto loader = IntfPtr<IKivTableStreamLoader>::Attach(raw);
  loader->LoadFromStream(stream);
}

namespace {

template <class In>
void LoadField(In& in, IKivField* field, bool flag, std::string& text) {
  switch (field->FieldKind()) {
    case KivFieldKindText:
      LoadText(in, field, flag, text);
      break;
    case KivFieldKindDeferred:
      if (flag) LoadUnlessRefused(in, field, text);
      break;
    case KivFieldKindTracked:
      LoadTracked(in, field, flag, text);
      break;
    case KivFieldKindTable:
      LoadNestedTable(in, field);
      break;
    default:
      LoadPlain(in, field, text);
      break;
  }
}

template <class In>
void LoadRecord(In& in, IKivRecord* record, bool flag) {
  const int count = record->FieldCount();
  std::string text;
  for (int i = 0; i < count; ++i) {
    IntfPtr<IKivField> field;
    record->Fields(i, field);
    LoadField(in, field.get(), flag, text);
  }
}

}  // namespace

void TKivFieldStreamBuilder::LoadFromStream(TStream* stream, IKivField* field, bool flag) {
  TStreamReader in(stream);
  std::string text;
  LoadField(in, field, flag, text);
}

// A block in memory, the reader's case, is read without a call per value.
void TKivRecordStreamBuilder::LoadFromStream(TStream* stream, IKivRecord* record, bool flag) {
  if (auto* memory = dynamic_cast<TMemoryStream*>(stream)) {
    TMemoryStreamReader in(memory);
    LoadRecord(in, record, flag);
  } else {
    TStreamReader in(stream);
    LoadRecord(in, record, flag);
  }
}

int64_t TKivRecordStreamBuilder::LeastStreamSize(IKivRecord* record, bool flag) {
  constexpr int64_t kFlagsByte = 1, kTextLength = 4;
  int64_t least = 0;
  const int count = record->FieldCount();
  for (int i = 0; i < count; ++i) {
    IntfPtr<IKivField> field;
    record->Fields(i, field);
    const uint8_t kind = field->FieldKind();
    if (kind == KivFieldKindText)
      least += kFlagsByte + kTextLength;
    else if (kind != KivFieldKindDeferred || flag)
      least += kFlagsByte;
  }
  return least;
}
