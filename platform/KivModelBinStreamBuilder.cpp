#include "platform/KivModelBinStreamBuilder.h"

#include <string>
#include <variant>

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

// A Boolean stays the byte that was stored.
using FieldValue = std::variant<std::string, uint8_t, int32_t, double>;

// The field's encoding, checked before any value byte is read, so that a
// failure leaves the stream right after the flags byte.
int32_t ValueEncoding(IKivField* field, int assertLine) {
  const int32_t dataType = field->DataType() & kDataTypeMask;
  Assert(dataType <= kLastDataType, kAssertionFailure, kUnit, assertLine);
  return dataType;
}

FieldValue ReadValue(TStream* stream, int32_t encoding) {
  std::string s;
  switch (encoding) {
    case 0:
      ReadShortString(stream, s);
      return s;
    case 1:
      return ReadBool(stream);
    case 2:
      return ReadInt32(stream);
    case 3:
      return int32_t{ReadInt8(stream)};
    case 4:
      return int32_t{ReadUInt8(stream)};
    case 5:
      return int32_t{ReadInt16(stream)};
    case 6:
      return int32_t{ReadUInt16(stream)};
    case 7:
    case 8:
    case 9:
      return ReadDouble(stream);
    default:  // 10, 11
      ReadLongString(stream, s);
      return s;
  }
}

void StoreValue(TStream* stream, IKivField* field) {
  const FieldValue value = ReadValue(stream, ValueEncoding(field, kLineStoreValue));
  if (const auto* s = std::get_if<std::string>(&value)) {
    field->SetAsString(*s);
  } else if (const auto* b = std::get_if<uint8_t>(&value)) {
    field->SetAsBoolean(*b);
  } else if (const auto* i = std::get_if<int32_t>(&value)) {
    field->SetAsInteger(*i);
  } else {
    field->SetAsFloat(std::get<double>(value));
  }
}

// A record that its table has let go of stands in no loading table.
bool TableLoading(IKivRecord* record) {
  IntfPtr<IKivTable> table;
  record->Table(table);
  return table && table->LoadState() == KivLoadStateFilling;
}

void LoadPlain(TStream* stream, IKivField* field) {
  const uint8_t flags = ReadUInt8(stream);
  field->SetFlagBit5(flags & kFlagBit5);
  field->SetFlagBit1(flags & kFlagNoValue);
  if (flags & kFlagNoValue) return;
  if (flags & kFlagNull) {
    field->SetIsNull(true);
    return;
  }
  StoreValue(stream, field);
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
void SkipPlain(TStream* stream, IKivField* field) {
  const uint8_t flags = ReadUInt8(stream);
  if (flags & (kFlagNull | kFlagNoValue)) return;
  ReadValue(stream, ValueEncoding(field, kLineSkipValue));
}
#endif

// Kinds 4 and 5 in the layout with flag set.
void LoadUnlessRefused(TStream* stream, IKivField* field) {
#ifndef TARVIK_OLDER_VARIANT
  if (FieldLoadRefused(field)) {
    SkipPlain(stream, field);
    return;
  }
#endif
  LoadPlain(stream, field);
}

void LoadText(TStream* stream, IKivField* field, bool flag) {
  if (flag) {
    LoadUnlessRefused(stream, field);
  } else {
    const uint8_t flags = ReadUInt8(stream);
    if (flags & kFlagNull) field->SetIsNull(true);
    field->SetFlagBit5(flags & kFlagBit5);
  }
  std::string text;
  ReadLongString(stream, text);
  field->SetText(text);
}

void LoadTracked(TStream* stream, IKivField* field, bool flag) {
  const uint8_t flags = ReadUInt8(stream);
  field->SetFlagBit1(flags & kFlagNoValue);
  if (flags & kFlagNoValue) return;
  if ((flags & kFlagBit3) && (!flag || (flags & kFlagNull))) {
    field->SetIsNull(true);
  } else {
    StoreValue(stream, field);
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

void LoadNestedTable(TStream* stream, IKivField* field) {
  const uint8_t flags = ReadUInt8(stream);
  if (flags & kFlagNull) return;
  IntfPtr<IKivTable> table;
  field->NestedTable(table);
  TKivTableStreamBuilder::LoadFromStream(stream, table.get());
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

void TKivFieldStreamBuilder::LoadFromStream(TStream* stream, IKivField* field, bool flag) {
  switch (field->FieldKind()) {
    case KivFieldKindText:
      LoadText(stream, field, flag);
      break;
    case KivFieldKindDeferred:
      if (flag) LoadUnlessRefused(stream, field);
      break;
    case KivFieldKindTracked:
      LoadTracked(stream, field, flag);
      break;
    case KivFieldKindTable:
      LoadNestedTable(stream, field);
      break;
    default:
      LoadPlain(stream, field);
      break;
  }
}

void TKivRecordStreamBuilder::LoadFromStream(TStream* stream, IKivRecord* record, bool flag) {
  const int count = record->FieldCount();
  for (int i = 0; i < count; ++i) {
    IntfPtr<IKivField> field;
    record->Fields(i, field);
    TKivFieldStreamBuilder::LoadFromStream(stream, field.get(), flag);
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
