#include "KivEngine/TableBody.h"

#include <cstring>
#include <string>

#include "KivEngine/Messages.h"
#include "KivEngine/Record.h"
#include "KivEngine/Table.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"

namespace kivengine {

namespace {

// Little-endian values, each checked against what the stream still holds.
class BodyReader {
 public:
  BodyReader(TStream& stream, const TableDef& table) : FStream(stream), FTable(table) {}

  [[noreturn]] void Fail(const std::string& detail) const {
    throw Exception(Format(SBodyDamaged, FTable.Name, detail));
  }

  int64_t Remaining() const { return FStream.Size() - FStream.Position(); }

  template <class T>
  T Read() {
    if (Remaining() < static_cast<int64_t>(sizeof(T))) Fail(SBodyTruncated);
    unsigned char bytes[sizeof(T)];
    FStream.ReadBuffer(bytes, sizeof bytes);
    T value;
    std::memcpy(&value, bytes, sizeof value);  // the build's byte order is little-endian
    return value;
  }

  std::string ReadString(int32_t length) {
    if (length < 0) Fail(Format(SBodyBadLength, length));
    if (Remaining() < length) Fail(SBodyTruncated);
    std::string text(static_cast<size_t>(length), '\0');
    FStream.ReadBuffer(text.data(), length);
    return text;
  }

  // Reads a value of the data type into the record's field.
  void ReadValue(TRecord& record, int field, int32_t dataType) {
    switch (dataType) {
      case 0: return record.SetString(field, ReadString(Read<uint8_t>()));
      case 1: return record.SetBoolean(field, Read<uint8_t>() != 0);
      case 2: return record.SetInteger(field, Read<int32_t>());
      case 3: return record.SetInteger(field, Read<int8_t>());
      case 4: return record.SetInteger(field, Read<uint8_t>());
      case 5: return record.SetInteger(field, Read<int16_t>());
      case 6: return record.SetInteger(field, Read<uint16_t>());
      case 7: case 8: case 9: return record.SetFloat(field, Read<double>());
      default: return record.SetString(field, ReadString(Read<int32_t>()));
    }
  }

 private:
  TStream& FStream;
  const TableDef& FTable;
};

void ReadRecord(TStream& stream, BodyReader& reader, TRecord& record) {
  const TableDef& def = record.Def();
  for (int field = 0; field < static_cast<int>(def.Fields.size()); ++field) {
    const FieldDef& fieldDef = def.Fields[field];
    const uint8_t flags = reader.Read<uint8_t>();
    for (uint8_t bit : {kFlagBit1, kFlagBit3, kFlagBit5}) record.SetFlag(field, bit, flags & bit);
    if (flags & 0x01)
      record.SetNull(field, true);
    else if (fieldDef.Kind == KivFieldKindTable)
      ReadTableBody(stream, *record.Nested(field));
    else
      reader.ReadValue(record, field, fieldDef.DataType);
    if (fieldDef.Kind == KivFieldKindText) record.SetText(field, reader.ReadString(reader.Read<int32_t>()));
  }
}

}  // namespace

void ReadTableBody(TStream& stream, TTable& table) {
  const TableDef& def = *table.Def();
  BodyReader reader(stream, def);
  const int32_t count = reader.Read<int32_t>();
  // Every record takes at least one byte per field, and a table has a field.
  if (count < 0 || count > reader.Remaining() / static_cast<int64_t>(def.Fields.size()))
    reader.Fail(Format(SBodyBadCount, count));
  for (int32_t i = 0; i < count; ++i) {
    IntfPtr<TRecord> record = TRecord::Create(&table);
    ReadRecord(stream, reader, *record);
    table.AppendRecord(record.get());
  }
}

}  // namespace kivengine
