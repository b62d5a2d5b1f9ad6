// The interfaces of the engine library KivEngine.dll, and how the library
// publishes its engine. Every operation stands at its fixed slot; reserved
// slots keep the places of operations this system never calls, so that a
// binary built against these declarations calls the right slot of any engine
// that implements them. Interface results come back through a trailing out
// argument; on this 64-bit build values that carry references are pointer-sized.
//
// An engine hands out an object from every call that yields an interface;
// only Locate and FindByKey answer nil, for "not found". The engine library
// can be replaced, so the engine loader and the rate library reader check the
// results they use and raise EKivEngine naming the call instead of following
// a nil.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/Format.h"
#include "rtl/Interface.h"
#include "rtl/Stream.h"
#include "rtl/Variant.h"
#include "winport/Module.h"
#include "winport/WindowClass.h"

// A slot this system never calls. An engine answers it by doing nothing.
#define KIV_RESERVED(slot) \
  virtual void Reserved##slot() {}

struct IKivModel;
struct IKivModelLoader;
struct IKivDatabase;
struct IKivTables;
struct IKivTable;
struct IKivRecord;
struct IKivField;

// Load states of a model and its tables.
constexpr uint8_t KivLoadStateFilling = 1;
constexpr uint8_t KivLoadStateDone = 2;

// Field kinds with layouts of their own in the record stream.
constexpr uint8_t KivFieldKindText = 4;
constexpr uint8_t KivFieldKindDeferred = 5;
constexpr uint8_t KivFieldKindTracked = 6;
constexpr uint8_t KivFieldKindTable = 7;

struct IKivEngine : IInterface {
  static constexpr TGUID IID = StringToGUID("{1B048041-1E81-4A41-8D30-73CCF78600AF}");
  virtual void CreateModel(bool Option, IInterface* Param, IntfPtr<IKivModel>& Result) = 0;  // 3
  virtual intptr_t Reserved4(intptr_t A, intptr_t B, intptr_t C, intptr_t D) = 0;
  virtual void GetLoader(IntfPtr<IKivModelLoader>& Result) = 0;  // 5
  virtual intptr_t Reserved6(intptr_t A) = 0;
  virtual intptr_t Reserved7(intptr_t A) = 0;
  virtual intptr_t Reserved8(intptr_t A) = 0;
  virtual intptr_t Reserved9(intptr_t A) = 0;
  virtual void GetModelParam(IntfPtr<IInterface>& Result) = 0;  // 10
  virtual intptr_t Reserved11(intptr_t A) = 0;
};

// The engine publishes no GUID for the next three interfaces; these are ours.
struct IKivModelLoader : IInterface {
  static constexpr TGUID IID = StringToGUID("{5E0C7A3D-2B41-4C8E-9F16-7D2A0B9C4E61}");
  KIV_RESERVED(3) KIV_RESERVED(4)
  virtual void LoadFile(const std::string& FileName, IKivModel* Model, int32_t Options) = 0;  // 5
};

struct IKivDatabase : IInterface {
  static constexpr TGUID IID = StringToGUID("{8A4F2E19-6C3B-4D7A-B05E-1F9D3C7A2B84}");
  KIV_RESERVED(3) KIV_RESERVED(4) KIV_RESERVED(5) KIV_RESERVED(6) KIV_RESERVED(7) KIV_RESERVED(8)
  KIV_RESERVED(9) KIV_RESERVED(10) KIV_RESERVED(11) KIV_RESERVED(12) KIV_RESERVED(13) KIV_RESERVED(14)
  KIV_RESERVED(15) KIV_RESERVED(16) KIV_RESERVED(17) KIV_RESERVED(18)
  virtual void Tables(IntfPtr<IKivTables>& Result) = 0;  // 19
};

struct IKivTables : IInterface {
  static constexpr TGUID IID = StringToGUID("{C37B9D05-4E8A-4F21-A6D3-52E8F0B71C9A}");
  KIV_RESERVED(3) KIV_RESERVED(4) KIV_RESERVED(5) KIV_RESERVED(6) KIV_RESERVED(7) KIV_RESERVED(8)
  KIV_RESERVED(9) KIV_RESERVED(10) KIV_RESERVED(11) KIV_RESERVED(12) KIV_RESERVED(13) KIV_RESERVED(14)
  virtual void TableByName(const std::string& Name, IntfPtr<IKivTable>& Result) = 0;  // 15
};

struct IKivModel : IInterface {
  static constexpr TGUID IID = StringToGUID("{AA1E8499-3EF8-4141-AE10-2B41882D2C8F}");
  KIV_RESERVED(3) KIV_RESERVED(4) KIV_RESERVED(5) KIV_RESERVED(6) KIV_RESERVED(7) KIV_RESERVED(8)
  KIV_RESERVED(9) KIV_RESERVED(10) KIV_RESERVED(11) KIV_RESERVED(12) KIV_RESERVED(13) KIV_RESERVED(14)
  KIV_RESERVED(15) KIV_RESERVED(16) KIV_RESERVED(17)
  virtual void DatabaseByName(const std::string& Name, IntfPtr<IKivDatabase>& Result) = 0;  // 18
  KIV_RESERVED(19) KIV_RESERVED(20) KIV_RESERVED(21) KIV_RESERVED(22)
  // The model's data sets as a JSON document in UTF-8.
  virtual void MakeResult(int32_t Options, int32_t Reserved, std::string& Result) = 0;  // 23
  KIV_RESERVED(24) KIV_RESERVED(25) KIV_RESERVED(26) KIV_RESERVED(27) KIV_RESERVED(28) KIV_RESERVED(29)
  KIV_RESERVED(30) KIV_RESERVED(31) KIV_RESERVED(32) KIV_RESERVED(33) KIV_RESERVED(34) KIV_RESERVED(35)
  KIV_RESERVED(36) KIV_RESERVED(37) KIV_RESERVED(38) KIV_RESERVED(39) KIV_RESERVED(40) KIV_RESERVED(41)
  KIV_RESERVED(42) KIV_RESERVED(43) KIV_RESERVED(44) KIV_RESERVED(45) KIV_RESERVED(46) KIV_RESERVED(47)
  KIV_RESERVED(48) KIV_RESERVED(49) KIV_RESERVED(50) KIV_RESERVED(51) KIV_RESERVED(52) KIV_RESERVED(53)
  KIV_RESERVED(54) KIV_RESERVED(55) KIV_RESERVED(56) KIV_RESERVED(57) KIV_RESERVED(58) KIV_RESERVED(59)
  KIV_RESERVED(60) KIV_RESERVED(61) KIV_RESERVED(62) KIV_RESERVED(63) KIV_RESERVED(64) KIV_RESERVED(65)
  KIV_RESERVED(66) KIV_RESERVED(67) KIV_RESERVED(68) KIV_RESERVED(69) KIV_RESERVED(70) KIV_RESERVED(71)
  KIV_RESERVED(72)
  virtual void SetLoadState(uint8_t State) = 0;  // 73
};

struct IKivTable : IInterface {
  static constexpr TGUID IID = StringToGUID("{2D68020C-55A2-4548-BAB9-932CE534E7E1}");
  KIV_RESERVED(3) KIV_RESERVED(4) KIV_RESERVED(5) KIV_RESERVED(6) KIV_RESERVED(7)
  // A new record of this table that is not in it yet (RecordIndex -1).
  virtual void NewRecord(IntfPtr<IKivRecord>& Result) = 0;  // 8
  KIV_RESERVED(9) KIV_RESERVED(10)
  virtual void AppendRecord(IKivRecord* Record) = 0;  // 11
  KIV_RESERVED(12) KIV_RESERVED(13) KIV_RESERVED(14) KIV_RESERVED(15) KIV_RESERVED(16)
  virtual void ClearRecords() = 0;  // 17
  // The first record whose field equals the value, or nil.
  virtual void Locate(const std::string& FieldName, const Variant& Value, IntfPtr<IKivRecord>& Result) = 0;  // 18
  KIV_RESERVED(19) KIV_RESERVED(20) KIV_RESERVED(21) KIV_RESERVED(22) KIV_RESERVED(23) KIV_RESERVED(24)
  KIV_RESERVED(25) KIV_RESERVED(26)
  // The record with that key, or nil.
  virtual void FindByKey(int32_t Key, IntfPtr<IKivRecord>& Result) = 0;  // 27
  KIV_RESERVED(28) KIV_RESERVED(29) KIV_RESERVED(30) KIV_RESERVED(31) KIV_RESERVED(32) KIV_RESERVED(33)
  KIV_RESERVED(34) KIV_RESERVED(35) KIV_RESERVED(36) KIV_RESERVED(37) KIV_RESERVED(38) KIV_RESERVED(39)
  KIV_RESERVED(40) KIV_RESERVED(41) KIV_RESERVED(42) KIV_RESERVED(43) KIV_RESERVED(44) KIV_RESERVED(45)
  KIV_RESERVED(46) KIV_RESERVED(47)
  virtual int32_t RecordCount() = 0;  // 48
  virtual void RecordByIndex(int32_t Index, IntfPtr<IKivRecord>& Result) = 0;  // 49
  KIV_RESERVED(50) KIV_RESERVED(51) KIV_RESERVED(52) KIV_RESERVED(53)
  virtual uint8_t LoadState() = 0;  // 54
};

// Every table answers this interface; the body format is the engine's own.
struct IKivTableStreamLoader : IInterface {
  static constexpr TGUID IID = StringToGUID("{69F9FBE0-062D-485E-AD20-1769F447F824}");
  // Reads a table body from the stream's position and leaves the stream right after it.
  virtual void LoadFromStream(TStream* Stream) = 0;  // 3
};

struct IKivRecord : IInterface {
  static constexpr TGUID IID = StringToGUID("{9863F990-52CB-4E18-8FC2-BE20275DF036}");
  KIV_RESERVED(3) KIV_RESERVED(4) KIV_RESERVED(5) KIV_RESERVED(6) KIV_RESERVED(7)
  virtual bool AllowsFieldLoad() = 0;  // 8
  KIV_RESERVED(9) KIV_RESERVED(10) KIV_RESERVED(11) KIV_RESERVED(12) KIV_RESERVED(13) KIV_RESERVED(14)
  KIV_RESERVED(15) KIV_RESERVED(16) KIV_RESERVED(17) KIV_RESERVED(18)
  virtual void Table(IntfPtr<IKivTable>& Result) = 0;  // 19
  virtual int32_t RecordIndex() = 0;                   // 20
  virtual int32_t Key() = 0;                           // 21
  KIV_RESERVED(22)
  virtual uint8_t FieldCount() = 0;                              // 23
  virtual void Fields(int32_t Index, IntfPtr<IKivField>& Result) = 0;  // 24
  KIV_RESERVED(25) KIV_RESERVED(26) KIV_RESERVED(27) KIV_RESERVED(28) KIV_RESERVED(29)
  virtual int32_t FieldAsInteger(const std::string& FieldName) = 0;  // 30
};

struct IKivField : IInterface {
  static constexpr TGUID IID = StringToGUID("{FD8F6F0E-F22E-4E67-BF63-7877B6BCD33E}");
  KIV_RESERVED(3) KIV_RESERVED(4) KIV_RESERVED(5) KIV_RESERVED(6) KIV_RESERVED(7) KIV_RESERVED(8)
  KIV_RESERVED(9) KIV_RESERVED(10) KIV_RESERVED(11) KIV_RESERVED(12)
  virtual void OwnerRecord(IntfPtr<IKivRecord>& Result) = 0;  // 13
  KIV_RESERVED(14) KIV_RESERVED(15) KIV_RESERVED(16)
  // The value encoding (0 to 11) in the low seven bits.
  virtual int32_t DataType() = 0;  // 17
  virtual uint8_t FieldKind() = 0;  // 18
  KIV_RESERVED(19) KIV_RESERVED(20) KIV_RESERVED(21)
  virtual void SetAsString(const std::string& Value) = 0;  // 22
  KIV_RESERVED(23) KIV_RESERVED(24) KIV_RESERVED(25)
  virtual void SetAsFloat(double Value) = 0;  // 26
  KIV_RESERVED(27)
  virtual void SetAsInteger(int32_t Value) = 0;  // 28
  KIV_RESERVED(29)
  // A Boolean byte as stored: 0 is False, any other byte True.
  virtual void SetAsBoolean(uint8_t Value) = 0;             // 30
  virtual void NestedTable(IntfPtr<IKivTable>& Result) = 0;  // 31
  KIV_RESERVED(32) KIV_RESERVED(33) KIV_RESERVED(34)
  virtual void SetText(const std::string& Value) = 0;  // 35
  KIV_RESERVED(36)
  virtual void SetFlagBit3(bool Value) = 0;  // 37
  KIV_RESERVED(38)
  virtual void SetIsNull(bool Value) = 0;  // 39
  KIV_RESERVED(40)
  virtual void SetFlagBit1(bool Value) = 0;  // 41
  KIV_RESERVED(42) KIV_RESERVED(43)
  virtual void SetFlagBit5(bool Value) = 0;  // 44
};

#undef KIV_RESERVED

// How the engine library publishes its engine: at load it registers a window
// class named by KivEngineClassName under its own module handle, with the
// entry in the window-procedure field. The entry sets *Engine (nil on entry)
// to a counted reference.
using KivEngineEntryProc = void (*)(IKivEngine** Engine);

inline constexpr const char* KivEngineEntryName = "quarnsimpleplatform";

// "com.velmora.shares.<entry>.<module><process>": each number in upper-case
// hexadecimal at the full width of its type, zero-padded.
inline std::string KivEngineClassName(HMODULE Module, const std::string& EntryName) {
  return Format("com.velmora.shares.%s.%.*llX%.8X", EntryName, static_cast<int>(2 * sizeof(HMODULE)),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Module)), GetCurrentProcessId());
}

// The module whose code holds the entry: the engine library publishing it.
inline HMODULE KivEngineEntryModule(KivEngineEntryProc Entry) {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(Entry), &module);
  return module;
}

// What an engine library does at load: registers the class that publishes
// entry under the handle of the module that holds it. Withdraw removes it
// again at unload.
inline void PublishKivEngineEntry(KivEngineEntryProc Entry) {
  const HMODULE module = KivEngineEntryModule(Entry);
  const std::string name = KivEngineClassName(module, KivEngineEntryName);
  WNDCLASSA wndClass{};
  wndClass.lpfnWndProc = reinterpret_cast<WNDPROC>(reinterpret_cast<void (*)()>(Entry));
  wndClass.hInstance = module;
  wndClass.lpszClassName = name.c_str();
  RegisterClassA(&wndClass);
}

inline void WithdrawKivEngineEntry(KivEngineEntryProc Entry) {
  const HMODULE module = KivEngineEntryModule(Entry);
  UnregisterClassA(KivEngineClassName(module, KivEngineEntryName).c_str(), module);
}
