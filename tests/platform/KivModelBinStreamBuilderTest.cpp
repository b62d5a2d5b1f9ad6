#include "platform/KivModelBinStreamBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/KivException.h"
#include "platform/KivUtils.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "rtl/InterfacedObject.h"
#include "tests/KivEngine/BodyBytes.h"
#include "tests/KivEngine/EngineTest.h"
#include "tests/Variant.h"

namespace {

// Every setter call and table body load, in the order made.
using CallLog = std::vector<std::string>;

// A table whose body is one byte; it may refuse the stream loader interface.
class TFakeTable : public Implements<TInterfacedObject, IKivTable, IKivTableStreamLoader> {
  using Base = Implements<TInterfacedObject, IKivTable, IKivTableStreamLoader>;

 public:
  // A failing table reads its byte, then raises.
  TFakeTable(CallLog* log, uint8_t loadState, bool answersStreamLoader = true, bool fails = false)
      : FLog(log), FLoadState(loadState), FAnswersStreamLoader(answersStreamLoader), FFails(fails) {}

  HRESULT QueryInterface(const TGUID& iid, void** obj) override {
    if (iid == IKivTableStreamLoader::IID && !FAnswersStreamLoader) {
      *obj = nullptr;
      return E_NOINTERFACE;
    }
    return Base::QueryInterface(iid, obj);
  }

  void NewRecord(IntfPtr<IKivRecord>&) override { ADD_FAILURE(); }
  void AppendRecord(IKivRecord*) override { ADD_FAILURE(); }
  void ClearRecords() override { ADD_FAILURE(); }
  void Locate(const std::string&, const Variant&, IntfPtr<IKivRecord>&) override { ADD_FAILURE(); }
  void FindByKey(int32_t, IntfPtr<IKivRecord>&) override { ADD_FAILURE(); }
  int32_t RecordCount() override { return 0; }
  void RecordByIndex(int32_t, IntfPtr<IKivRecord>&) override { ADD_FAILURE(); }
  uint8_t LoadState() override { return FLoadState; }

  void LoadFromStream(TStream* stream) override {
    FLog->push_back(Format("Body(%d)", ReadUInt8(stream)));
    if (FFails) throw EReadError(SReadError);
  }

 private:
  CallLog* FLog;
  uint8_t FLoadState;
  bool FAnswersStreamLoader;
  bool FFails;
};

class TFakeField : public Implements<TInterfacedObject, IKivField> {
 public:
  // The owner record holds the field; the field refers back without a count.
  TFakeField(CallLog* log, IKivRecord* owner, uint8_t kind, int32_t dataType, IntfPtr<IKivTable> nested)
      : FLog(log), FOwner(owner), FKind(kind), FDataType(dataType), FNested(std::move(nested)) {}

  void OwnerRecord(IntfPtr<IKivRecord>& Result) override { Result = FOwner; }
  int32_t DataType() override { return FDataType; }
  uint8_t FieldKind() override { return FKind; }
  void SetAsString(const std::string& v) override { Log("Str(" + v + ")"); }
  void SetAsFloat(double v) override { Log(Format("Float(%g)", v)); }
  void SetAsInteger(int32_t v) override { Log(Format("Int(%d)", v)); }
  void SetAsBoolean(uint8_t v) override { Log(Format("Bool(%d)", v)); }
  void NestedTable(IntfPtr<IKivTable>& Result) override { Result = FNested; }
  void SetText(const std::string& v) override { Log("Text(" + v + ")"); }
  void SetFlagBit3(bool v) override { Log(Format("Bit3(%d)", v)); }
  void SetIsNull(bool v) override { Log(Format("Null(%d)", v)); }
  void SetFlagBit1(bool v) override { Log(Format("Bit1(%d)", v)); }
  void SetFlagBit5(bool v) override { Log(Format("Bit5(%d)", v)); }

 private:
  void Log(std::string call) { FLog->push_back(std::move(call)); }

  CallLog* FLog;
  IKivRecord* FOwner;
  uint8_t FKind;
  int32_t FDataType;
  IntfPtr<IKivTable> FNested;
};

// How the record that owns the fields stands towards loading. The older
// variant never asks whether the record allows loads.
struct Owner {
  bool AllowsFieldLoad;
  uint8_t TableState;
  int32_t RecordIndex;
};
constexpr Owner kLoading{true, KivLoadStateFilling, -1};
constexpr Owner kRefusing{false, KivLoadStateDone, 3};
constexpr Owner kRefusingWhileLoading{false, KivLoadStateFilling, 3};
constexpr Owner kSettled{true, KivLoadStateDone, 3};
constexpr Owner kDetached{true, KivLoadStateDone, -1};

class TFakeRecord : public Implements<TInterfacedObject, IKivRecord> {
 public:
  TFakeRecord(CallLog* log, Owner owner)
      : FLog(log), FOwner(owner), FTable(New<TFakeTable>(log, owner.TableState)) {}

  void AddField(uint8_t kind, int32_t dataType, IntfPtr<IKivTable> nested = nullptr) {
    FFields.emplace_back(New<TFakeField>(FLog, this, kind, dataType, std::move(nested)));
  }

#ifndef TARVIK_OLDER_VARIANT
  bool AllowsFieldLoad() override { return FOwner.AllowsFieldLoad; }
#endif
  void Table(IntfPtr<IKivTable>& Result) override { Result = FTable; }
  int32_t RecordIndex() override { return FOwner.RecordIndex; }
  int32_t Key() override { return 0; }
  uint8_t FieldCount() override { return static_cast<uint8_t>(FFields.size()); }
  void Fields(int32_t index, IntfPtr<IKivField>& Result) override { Result = FFields.at(index); }
  int32_t FieldAsInteger(const std::string&) override { return 0; }

 private:
  CallLog* FLog;
  Owner FOwner;
  IntfPtr<IKivTable> FTable;
  std::vector<IntfPtr<IKivField>> FFields;
};

constexpr uint8_t kPlain = 0;
constexpr char kSentinel = '\xEE';

struct FieldCase {
  const char* Name;
  uint8_t Kind;
  int32_t DataType;
  bool Flag;
  std::string Bytes;  // the field's own bytes; a sentinel follows in the stream
  CallLog Calls;
  Owner Stand = kLoading;
};

std::string Bytes(std::initializer_list<uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

const FieldCase kFieldCases[] = {
    {"PlainInt32", kPlain, 2, true, Bytes({0x00, 0x01, 0x02, 0x03, 0x04}), {"Bit5(0)", "Bit1(0)", "Int(67305985)"}},
    {"PlainNoValue", kPlain, 2, true, Bytes({0x03}), {"Bit5(0)", "Bit1(1)"}},
    {"PlainNull", kPlain, 2, true, Bytes({0x01}), {"Bit5(0)", "Bit1(0)", "Null(1)"}},
    {"PlainBit5", kPlain, 1, true, Bytes({0x20, 0x01}), {"Bit5(1)", "Bit1(0)", "Bool(1)"}},
    {"PlainIgnoredBits", kPlain, 4, false, Bytes({0xDC, 0x07}), {"Bit5(0)", "Bit1(0)", "Int(7)"}},
    {"PlainOtherKind", 9, 4, true, Bytes({0x00, 0x07}), {"Bit5(0)", "Bit1(0)", "Int(7)"}},
    {"ShortString", kPlain, 0, true, Bytes({0x00, 0x03, 'a', 'b', 'c'}), {"Bit5(0)", "Bit1(0)", "Str(abc)"}},
    {"BooleanFalse", kPlain, 1, true, Bytes({0x00, 0x00}), {"Bit5(0)", "Bit1(0)", "Bool(0)"}},
    {"BooleanKeepsTheByte", kPlain, 1, true, Bytes({0x00, 0x02}), {"Bit5(0)", "Bit1(0)", "Bool(2)"}},
    {"Int8SignExtends", kPlain, 3, true, Bytes({0x00, 0x80}), {"Bit5(0)", "Bit1(0)", "Int(-128)"}},
    {"UInt8ZeroExtends", kPlain, 4, true, Bytes({0x00, 0x80}), {"Bit5(0)", "Bit1(0)", "Int(128)"}},
    {"Int16SignExtends", kPlain, 5, true, Bytes({0x00, 0xFF, 0xFF}), {"Bit5(0)", "Bit1(0)", "Int(-1)"}},
    {"UInt16ZeroExtends", kPlain, 6, true, Bytes({0x00, 0xFF, 0xFF}), {"Bit5(0)", "Bit1(0)", "Int(65535)"}},
    {"DataTypeTopBitIgnored", kPlain, 0x85, true, Bytes({0x00, 0xFF, 0xFF}), {"Bit5(0)", "Bit1(0)", "Int(-1)"}},
    {"Double", kPlain, 8, true, Bytes({0x00, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}), {"Bit5(0)", "Bit1(0)", "Float(1.5)"}},
    {"LongStringEmpty", kPlain, 10, true, Bytes({0x00, 0, 0, 0, 0}), {"Bit5(0)", "Bit1(0)", "Str()"}},
    {"LongString", kPlain, 11, true, Bytes({0x00, 2, 0, 0, 0, 'h', 'i'}), {"Bit5(0)", "Bit1(0)", "Str(hi)"}},

    {"TextValueThenText", 4, 4, true, Bytes({0x00, 0x05, 1, 0, 0, 0, 't'}), {"Bit5(0)", "Bit1(0)", "Int(5)", "Text(t)"}},
    {"TextNoValueStillReadsText", 4, 2, true, Bytes({0x02, 1, 0, 0, 0, 't'}), {"Bit5(0)", "Bit1(1)", "Text(t)"}},
    {"TextFlagFalseNull", 4, 2, false, Bytes({0x21, 1, 0, 0, 0, 'x'}), {"Null(1)", "Bit5(1)", "Text(x)"}},
    {"TextFlagFalseNeverValue", 4, 2, false, Bytes({0x00, 0, 0, 0, 0}), {"Bit5(0)", "Text()"}},
    // The older variant has no read-and-discard path: refused fields load.
    {"TextRefused", 4, 2, true, Bytes({0x20, 9, 9, 9, 9, 1, 0, 0, 0, 't'}),
     ByVariant<CallLog>({"Text(t)"}, {"Bit5(1)", "Bit1(0)", "Int(151587081)", "Text(t)"}), kRefusing},

    {"DeferredFlagFalseReadsNothing", 5, 2, false, "", {}},
    {"DeferredAsPlain", 5, 4, true, Bytes({0x20, 0x09}), {"Bit5(1)", "Bit1(0)", "Int(9)"}},
    {"DeferredRefused", 5, 0, true, Bytes({0x00, 2, 'a', 'b'}), ByVariant<CallLog>({}, {"Bit5(0)", "Bit1(0)", "Str(ab)"}),
     kRefusing},
    {"DeferredRefusedNull", 5, 2, true, Bytes({0x01}), ByVariant<CallLog>({}, {"Bit5(0)", "Bit1(0)", "Null(1)"}),
     kRefusing},
    {"DeferredRefusedNoValue", 5, 2, true, Bytes({0x02}), ByVariant<CallLog>({}, {"Bit5(0)", "Bit1(1)"}), kRefusing},
    {"DeferredRefusingButLoading", 5, 4, true, Bytes({0x00, 0x09}), {"Bit5(0)", "Bit1(0)", "Int(9)"},
     kRefusingWhileLoading},
    {"DeferredSettledLoads", 5, 4, true, Bytes({0x00, 0x09}), {"Bit5(0)", "Bit1(0)", "Int(9)"}, kSettled},

    {"TrackedBit0IsNotNull", 6, 4, true, Bytes({0x01, 0x07}), {"Bit1(0)", "Int(7)", "Bit3(0)"}},
    {"TrackedBits3And0Null", 6, 4, true, Bytes({0x09}), {"Bit1(0)", "Null(1)", "Bit3(1)"}},
    {"TrackedBit3FlagTrueValue", 6, 4, true, Bytes({0x08, 0x07}), {"Bit1(0)", "Int(7)", "Bit3(1)"}},
    {"TrackedBit3FlagFalseNull", 6, 4, false, Bytes({0x08}), {"Bit1(0)", "Null(1)", "Bit3(1)"}},
    {"TrackedFlagFalseBit0Value", 6, 4, false, Bytes({0x01, 0x07}), {"Bit1(0)", "Int(7)", "Bit3(0)"}},
    {"TrackedNoValue", 6, 4, true, Bytes({0x0A}), {"Bit1(1)"}},
    {"TrackedBit5NeverSet", 6, 4, true, Bytes({0x20, 0x07}), {"Bit1(0)", "Int(7)", "Bit3(0)"}},
    {"TrackedSettledKeepsBit3", 6, 4, true, Bytes({0x00, 0x07}), {"Bit1(0)", "Int(7)"}, kSettled},
    {"TrackedSettledSetsBit3", 6, 4, true, Bytes({0x08, 0x07}), {"Bit1(0)", "Int(7)", "Bit3(1)"}, kSettled},
    {"TrackedDetachedClearsBit3", 6, 4, true, Bytes({0x00, 0x07}), {"Bit1(0)", "Int(7)", "Bit3(0)"}, kDetached},

    {"NestedNull", 7, 0, true, Bytes({0x01}), {}},
    {"NestedBody", 7, 0, false, Bytes({0x00, 0x2A}), {"Body(42)"}},
    {"NestedOnlyBit0Counts", 7, 0, true, Bytes({0xFE, 0x2A}), {"Body(42)"}},
};

class FieldLayout : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldLayout, CallsSettersInOrderAndConsumesExactlyTheField) {
  const FieldCase& c = GetParam();
  CallLog log;
  IntfPtr<TFakeRecord> record(New<TFakeRecord>(&log, c.Stand));
  record->AddField(c.Kind, c.DataType, IntfPtr<IKivTable>(New<TFakeTable>(&log, KivLoadStateFilling)));
  IntfPtr<IKivField> field;
  record->Fields(0, field);
  TStringStream stream(c.Bytes + kSentinel);

  TKivFieldStreamBuilder::LoadFromStream(&stream, field.get(), c.Flag);

  EXPECT_EQ(log, c.Calls);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(c.Bytes.size()));
  // A count of such records is checked against the bytes left by this bound.
  EXPECT_LE(TKivRecordStreamBuilder::LeastStreamSize(record.get(), c.Flag), stream.Position());
}

INSTANTIATE_TEST_SUITE_P(KivFieldStreamBuilder, FieldLayout, ::testing::ValuesIn(kFieldCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A memory stream holding the bytes, standing at its start.
void Fill(TMemoryStream& stream, const std::string& bytes) {
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
}

// The reader's blocks are memory streams, read without the stream readers:
// every layout must come out the same, and the stream must stand where the
// stream readers would have left it.
TEST_P(FieldLayout, ReadsTheSameFromAMemoryStream) {
  const FieldCase& c = GetParam();
  CallLog log;
  IntfPtr<TFakeRecord> record(New<TFakeRecord>(&log, c.Stand));
  record->AddField(c.Kind, c.DataType, IntfPtr<IKivTable>(New<TFakeTable>(&log, KivLoadStateFilling)));
  TMemoryStream stream;
  Fill(stream, kSentinel + c.Bytes + kSentinel);
  stream.SetPosition(1);

  TKivRecordStreamBuilder::LoadFromStream(&stream, record.get(), c.Flag);

  EXPECT_EQ(log, c.Calls);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(c.Bytes.size()) + 1);
}

// A field alone, owned by a record that stands as given.
struct LoneField {
  explicit LoneField(uint8_t kind, int32_t dataType, Owner owner = kLoading, IntfPtr<IKivTable> nested = nullptr)
      : Record(New<TFakeRecord>(&Log, owner)) {
    Record->AddField(kind, dataType, std::move(nested));
    Record->Fields(0, Field);
  }
  CallLog Log;
  IntfPtr<TFakeRecord> Record;
  IntfPtr<IKivField> Field;
};

TEST(KivFieldStreamBuilder, DataTypeAboveElevenFailsBeforeTheValue) {
  // The older variant names one line wherever it fails.
  const int store = ByVariant(1078, 981), skip = ByVariant(1138, 981);
  struct {
    uint8_t Kind;
    int32_t DataType;
    Owner Stand;
    int Line;
  } cases[] = {
      {kPlain, 12, kLoading, store}, {kPlain, 0x7F, kLoading, store}, {4, 12, kLoading, store},
      {6, 12, kLoading, store},      {5, 12, kRefusing, skip},        {4, 12, kRefusing, skip},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Format("kind %d, data type %d", c.Kind, c.DataType));
    LoneField lone(c.Kind, c.DataType, c.Stand);
    TStringStream stream(Bytes({0x00, 0x01, 0x00, 0x00, 0x00, 'x'}));
    try {
      TKivFieldStreamBuilder::LoadFromStream(&stream, lone.Field.get(), true);
      ADD_FAILURE() << "no assertion";
    } catch (const EAssertionFailed& e) {
      EXPECT_EQ(e.Message(), Format("Assertion failure (KivModelBinStreamBuilder, line %d)", c.Line));
    }
    EXPECT_EQ(stream.Position(), 1);  // neither the value nor a text was read
    for (const std::string& call : lone.Log) EXPECT_EQ(call.find("Text"), std::string::npos);
  }
}

TEST(KivFieldStreamBuilder, DataTypeAboveElevenIsNotConsultedWithoutAValue) {
  LoneField lone(kPlain, 12);
  TStringStream stream(Bytes({0x01}));
  TKivFieldStreamBuilder::LoadFromStream(&stream, lone.Field.get(), true);
  EXPECT_EQ(lone.Log, (CallLog{"Bit5(0)", "Bit1(0)", "Null(1)"}));
}

TEST(KivFieldStreamBuilder, NestedTableNotLoadingFailsAfterTheFlagsByte) {
  LoneField lone(7, 0, kLoading, IntfPtr<IKivTable>(New<TFakeTable>(nullptr, KivLoadStateDone)));
  TStringStream stream(Bytes({0x00, 0x2A}));
  try {
    TKivFieldStreamBuilder::LoadFromStream(&stream, lone.Field.get(), true);
    FAIL() << "no exception";
  } catch (const EKivException& e) {
    EXPECT_EQ(e.Message(), "当前操作只能在装载期执行");
    EXPECT_EQ(e.ErrCode(), 44);
  }
  EXPECT_EQ(stream.Position(), 1);
}

TEST(KivTableStreamBuilder, TableWithoutStreamLoaderIsACastError) {
  CallLog log;
  IntfPtr<TFakeTable> table(New<TFakeTable>(&log, KivLoadStateFilling, false));
  TStringStream stream(Bytes({0x2A}));
  try {
    TKivTableStreamBuilder::LoadFromStream(&stream, table.get());
    FAIL() << "no exception";
  } catch (const EIntfCastError& e) {
    EXPECT_EQ(e.Message(), "Interface not supported");
  }
  EXPECT_EQ(stream.Position(), 0);
}

TEST(KivFieldStreamBuilder, StreamEndingInsideAValueIsAReadError) {
  const std::string truncated[] = {Bytes({}), Bytes({0x00, 0x01, 0x02}), Bytes({0x00, 0xFF, 0xFF, 0xFF, 0x7F, 'a'})};
  const int32_t dataTypes[] = {2, 2, 11};
  for (int i = 0; i < 3; ++i) {
    LoneField lone(kPlain, dataTypes[i]);
    TStringStream stream(truncated[i]);
    EXPECT_THROW(TKivFieldStreamBuilder::LoadFromStream(&stream, lone.Field.get(), true), EReadError);
  }
}

TEST(KivRecordStreamBuilder, MemoryStreamEndingInsideAValueIsAReadErrorAtItsEnd) {
  struct {
    int32_t DataType;
    std::string Bytes;
    CallLog Calls;  // those of the fields before the cut
  } cases[] = {
      {2, Bytes({0x00, 0x07, 0x00, 0x01, 0x02}), {"Bit5(0)", "Bit1(0)", "Int(7)", "Bit5(0)", "Bit1(0)"}},
      {11, Bytes({0x00, 0x07, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}), {"Bit5(0)", "Bit1(0)", "Int(7)", "Bit5(0)", "Bit1(0)"}},
      {0, Bytes({0x00, 0x07, 0x00, 0x05, 'a', 'b'}), {"Bit5(0)", "Bit1(0)", "Int(7)", "Bit5(0)", "Bit1(0)"}},
      {2, Bytes({0x00, 0x07}), {"Bit5(0)", "Bit1(0)", "Int(7)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.DataType);
    CallLog log;
    IntfPtr<TFakeRecord> record(New<TFakeRecord>(&log, kLoading));
    record->AddField(kPlain, 4);
    record->AddField(kPlain, c.DataType);
    TMemoryStream stream;
    Fill(stream, c.Bytes);
    EXPECT_THROW(TKivRecordStreamBuilder::LoadFromStream(&stream, record.get(), true), EReadError);
    EXPECT_EQ(log, c.Calls);
    EXPECT_EQ(stream.Position(), stream.Size());
  }
}

TEST(KivRecordStreamBuilder, MemoryStreamStandsAtTheFailureAndHandsNestedBodiesOver) {
  CallLog log;
  IntfPtr<TFakeRecord> record(New<TFakeRecord>(&log, kLoading));
  record->AddField(7, 0, IntfPtr<IKivTable>(New<TFakeTable>(&log, KivLoadStateFilling)));  // reads one byte itself
  record->AddField(kPlain, 4);
  record->AddField(kPlain, 12);
  TMemoryStream stream;
  Fill(stream, Bytes({0x00, 0x2A, 0x00, 0x05, 0x00, 0x01, 0x02}));
  EXPECT_THROW(TKivRecordStreamBuilder::LoadFromStream(&stream, record.get(), true), EAssertionFailed);
  EXPECT_EQ(log, (CallLog{"Body(42)", "Bit5(0)", "Bit1(0)", "Int(5)", "Bit5(0)", "Bit1(0)"}));
  EXPECT_EQ(stream.Position(), 5);  // right after the failing field's flags byte

  // A nested body that fails leaves the stream where the engine stopped.
  CallLog failing;
  IntfPtr<TFakeRecord> nesting(New<TFakeRecord>(&failing, kLoading));
  nesting->AddField(7, 0, IntfPtr<IKivTable>(New<TFakeTable>(&failing, KivLoadStateFilling, true, true)));
  TMemoryStream body;
  Fill(body, Bytes({0x00, 0x2A, 0x2B, 0x2C}));
  EXPECT_THROW(TKivRecordStreamBuilder::LoadFromStream(&body, nesting.get(), true), EReadError);
  EXPECT_EQ(body.Position(), 2);

  // A stream that stands past its end reads nothing and stays where it stood.
  stream.SetPosition(9);
  EXPECT_THROW(TKivRecordStreamBuilder::LoadFromStream(&stream, record.get(), true), EReadError);
  EXPECT_EQ(stream.Position(), 9);
}

TEST(KivRecordStreamBuilder, RecordWithoutFieldsConsumesNothing) {
  CallLog log;
  IntfPtr<TFakeRecord> record(New<TFakeRecord>(&log, kLoading));
  TStringStream stream(Bytes({0x00}));
  TKivRecordStreamBuilder::LoadFromStream(&stream, record.get(), true);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_TRUE(log.empty());
}

TEST(KivRecordStreamBuilder, LeastStreamSizeCountsWhatEveryFieldTakes) {
  CallLog log;
  IntfPtr<TFakeRecord> record(New<TFakeRecord>(&log, kLoading));
  EXPECT_EQ(TKivRecordStreamBuilder::LeastStreamSize(record.get(), true), 0);
  for (uint8_t kind : {kPlain, uint8_t{4}, uint8_t{5}, uint8_t{6}, uint8_t{7}}) record->AddField(kind, 2);
  // A flags byte each, the text's length of kind 4; kind 5 takes nothing without the flag.
  EXPECT_EQ(TKivRecordStreamBuilder::LeastStreamSize(record.get(), true), 9);
  EXPECT_EQ(TKivRecordStreamBuilder::LeastStreamSize(record.get(), false), 8);
  EXPECT_TRUE(log.empty());
}

TEST(KivRecordStreamBuilder, DecodesAllFieldsInOrderWithTheSameFlag) {
  CallLog log;
  IntfPtr<TFakeRecord> record(New<TFakeRecord>(&log, kLoading));
  record->AddField(kPlain, 4);
  record->AddField(5, 4);  // nothing in the stream with the flag clear
  record->AddField(4, 4);
  record->AddField(7, 0, IntfPtr<IKivTable>(New<TFakeTable>(&log, KivLoadStateFilling)));
  record->AddField(6, 0);
  TStringStream stream(Bytes({0x00, 0x01,                 // plain 1
                              0x20, 1, 0, 0, 0, 'k',      // kind 4, no value with the flag clear
                              0x00, 0x05,                 // nested body
                              0x08,                       // kind 6 null with the flag clear
                              0xEE}));
  TKivRecordStreamBuilder::LoadFromStream(&stream, record.get(), false);
  EXPECT_EQ(log, (CallLog{"Bit5(0)", "Bit1(0)", "Int(1)", "Bit5(1)", "Text(k)", "Body(5)", "Bit1(0)", "Null(1)",
                          "Bit3(1)"}));
  EXPECT_EQ(stream.Position(), 11);
}

TEST(KivRecordStreamBuilder, DecodesAllOfTwoHundredFiftyFiveFields) {
  CallLog log;
  IntfPtr<TFakeRecord> record(New<TFakeRecord>(&log, kLoading));
  std::string bytes;
  CallLog expected;
  for (int i = 0; i < 255; ++i) {
    record->AddField(kPlain, 4);
    bytes += Bytes({0x00, static_cast<uint8_t>(i)});
    expected.insert(expected.end(), {"Bit5(0)", "Bit1(0)", Format("Int(%d)", i)});
  }
  TStringStream stream(bytes);
  TKivRecordStreamBuilder::LoadFromStream(&stream, record.get(), true);
  EXPECT_EQ(log, expected);
  EXPECT_EQ(stream.Position(), 510);
}

// Against the stand-in engine: a record decoded into a new record of a loading
// model, then appended, as the rate library reader does with each block.
class DecoderOnEngineTest : public ItemTableTest {};

TEST_F(DecoderOnEngineTest, RecordsOfOneBlockFillTheTable) {
  Model->SetLoadState(KivLoadStateFilling);
  BodyBytes block;
  block.Byte(0).Int32(7)                                 // ID
      .Byte(0x20).ShortString("A-1")                     // Code
      .Byte(0).Double(12.5)                              // Price
      .Byte(0).Byte(1)                                   // Active
      .Byte(0).LongString("v").LongString("说明")        // Note: value, then text
      .Byte(0).Int32(1).Byte(0).Int32(3).Byte(0).Int16(-4);  // Parts: body of one row
  block.Byte(0).Int32(8).Byte(0x02).Byte(0x01).Byte(0).Byte(0)  // no Code, null Price, Active
      .Byte(0x01).LongString("")                         // Note null, empty text
      .Byte(0x01);                                       // Parts: no body, its table stays empty
  TStringStream stream(block.Data() + kSentinel);
  for (int i = 0; i < 2; ++i) {
    IntfPtr<IKivRecord> record;
    Items->NewRecord(record);
    TKivRecordStreamBuilder::LoadFromStream(&stream, record.get(), true);
    Items->AppendRecord(record.get());
  }
  Model->SetLoadState(KivLoadStateDone);

  EXPECT_EQ(stream.Position(), static_cast<int64_t>(block.Data().size()));
  const std::string json = Result(Model.get());
  EXPECT_EQ(json.substr(json.find("\"records\":[{")),
            R"("records":[{"ID":7,"Code":"A-1","Price":12.5,"Active":true,)"
            "\"Note\":{\"value\":\"v\",\"text\":\"\xE8\xAF\xB4\xE6\x98\x8E\"},"  // the text in UTF-8
            R"("Parts":[{"PartID":3,"Qty":-4}]},)"
            R"({"ID":8,"Code":null,"Price":null,"Active":false,"Note":{"value":null,"text":""},"Parts":[]}]}]}]})");
}

TEST_F(DecoderOnEngineTest, NestedTableOutsideLoadingIsRefused) {
  IntfPtr<IKivRecord> record;
  Items->NewRecord(record);
  TStringStream stream(BodyBytes().Byte(0).Int32(0).Data());
  try {
    TKivFieldStreamBuilder::LoadFromStream(&stream, FieldOf(record.get(), kParts).get(), true);
    FAIL() << "no exception";
  } catch (const EKivException& e) {
    EXPECT_EQ(e.ErrCode(), 44);
  }
  EXPECT_EQ(stream.Position(), 1);
}

// A table of one appended record, with fields of the kinds that defer loads.
class DeferredFieldsTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Model = LoadModel(R"(KivModel 1
database DB
  table T key ID
    field ID Integer
    field Late Integer kind 5
    field Note String kind 4
    field Seen Integer kind 6
  end
end
)");
    Table = TableOf(Model.get(), "DB", "T");
    Table->NewRecord(Record);
    FieldOf(Record.get(), 0)->SetAsInteger(1);
    FieldOf(Record.get(), 1)->SetAsInteger(5);
    Table->AppendRecord(Record.get());
    Fields.Byte(0).Int32(1).Byte(0).Int32(99).Byte(0).LongString("v").LongString("t").Byte(0x08).Int32(3);
  }
  void TearDown() override {
    Record.Clear();
    Table.Clear();
    Model.Clear();
    EngineTest::TearDown();
  }

  IntfPtr<IKivModel> Model;
  IntfPtr<IKivTable> Table;
  IntfPtr<IKivRecord> Record;
  BodyBytes Fields;
};

// An appended record takes no loads into fields of kinds 4 and 5 once the
// model has finished loading; their bytes are read past. The older variant
// loads them all the same.
TEST_F(DeferredFieldsTest, DeferredValuesOfASettledRecord) {
  TStringStream settled(Fields.Data());
  TKivRecordStreamBuilder::LoadFromStream(&settled, Record.get(), true);
  EXPECT_EQ(settled.Position(), static_cast<int64_t>(Fields.Data().size()));
  EXPECT_EQ(Record->FieldAsInteger("Late"), ByVariant(5, 99));
  EXPECT_NE(Result(Model.get()).find(ByVariant<std::string>(R"("Note":{"value":null,"text":"t"})",
                                                            R"("Note":{"value":"v","text":"t"})")),
            std::string::npos);

  Model->SetLoadState(KivLoadStateFilling);
  TStringStream loading(Fields.Data());
  TKivRecordStreamBuilder::LoadFromStream(&loading, Record.get(), true);
  EXPECT_EQ(Record->FieldAsInteger("Late"), 99);
  EXPECT_NE(Result(Model.get()).find(R"("Note":{"value":"v","text":"t"})"), std::string::npos);
}

// A record that its table let go of has no table to ask about loading: it
// takes no deferred loads (but in the older variant), and the decoder does
// not trip over the missing table.
TEST_F(DeferredFieldsTest, DeferredValuesOfARecordWithoutTable) {
  Table->ClearRecords();
  TStringStream stream(Fields.Data());
  TKivRecordStreamBuilder::LoadFromStream(&stream, Record.get(), true);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(Fields.Data().size()));
  EXPECT_EQ(Record->FieldAsInteger("Late"), ByVariant(5, 99));
  EXPECT_EQ(Record->FieldAsInteger("Seen"), 3);
}

}  // namespace
