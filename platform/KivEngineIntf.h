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
#include <utility>

#include "platform/KivReservedSlots.h"
#include "rtl/Format.h"
#include "rtl/Interface.h"
#include "rtl/Object.h"
#include "rtl/Stream.h"
#include "rtl/Variant.h"
#include "winport/Module.h"
#include "winport/WindowClass.h"

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

// Slot numbers below are the current revision's; the older revision's follow
// "older" where they differ. The older engine makes models without a
// parameter and has no GetModelParam, and its records have no AllowsFieldLoad.

// The engine's reserved slots do nothing and answer 0 unless an engine says
// otherwise.
struct IKivEngine : IInterface {
  static constexpr TGUID IID = StringToGUID("{1B048041-1E81-4A41-8D30-73CCF78600AF}");
#ifdef TARVIK_OLDER_VARIANT
  virtual void CreateModel(bool Option, IntfPtr<IKivModel>& Result) = 0;  // 3
  virtual intptr_t Reserved4(intptr_t, intptr_t, intptr_t) { return 0; }
#else
  virtual void CreateModel(bool Option, IInterface* Param, IntfPtr<IKivModel>& Result) = 0;  // 3
  virtual intptr_t Reserved4(intptr_t, intptr_t, intptr_t, intptr_t) { return 0; }
#endif
  virtual void GetLoader(IntfPtr<IKivModelLoader>& Result) = 0;  // 5
  virtual intptr_t Reserved6(intptr_t) { return 0; }
  virtual intptr_t Reserved7(intptr_t) { return 0; }
  virtual intptr_t Reserved8(intptr_t) { return 0; }
#ifndef TARVIK_OLDER_VARIANT
  virtual intptr_t Reserved9(intptr_t) { return 0; }
  virtual void GetModelParam(IntfPtr<IInterface>& Result) = 0;  // 10
  virtual intptr_t Reserved11(intptr_t) { return 0; }
#endif
};

// The engine publishes no GUID for the next three interfaces; these are ours.
struct IKivModelLoader : IInterface {
  static constexpr TGUID IID = StringToGUID("{5E0C7A3D-2B41-4C8E-9F16-7D2A0B9C4E61}");
  KIV_GAP(2, 2)
  virtual void LoadFile(const std::string& FileName, IKivModel* Model, int32_t Options) = 0;  // 5
};

struct IKivDatabase : IInterface {
  static constexpr TGUID IID = StringToGUID("{8A4F2E19-6C3B-4D7A-B05E-1F9D3C7A2B84}");
  KIV_GAP(16, 15)
  virtual void Tables(IntfPtr<IKivTables>& Result) = 0;  // 19, older 18
};

struct IKivTables : IInterface {
  static constexpr TGUID IID = StringToGUID("{C37B9D05-4E8A-4F21-A6D3-52E8F0B71C9A}");
  KIV_GAP(12, 12)
  virtual void TableByName(const std::string& Name, IntfPtr<IKivTable>& Result) = 0;  // 15
};

struct IKivModel : IInterface {
  static constexpr TGUID IID = StringToGUID("{AA1E8499-3EF8-4141-AE10-2B41882D2C8F}");
  KIV_GAP(15, 15)
  virtual void DatabaseByName(const std::string& Name, IntfPtr<IKivDatabase>& Result) = 0;  // 18
  KIV_GAP(4, 3)
  // The model's data sets as a JSON document in UTF-8.
  virtual void MakeResult(int32_t Options, int32_t Reserved, std::string& Result) = 0;  // 23, older 22
  KIV_GAP(49, 42)
  virtual void SetLoadState(uint8_t State) = 0;  // 73, older 65
  KIV_GAP(0, 20)  // up to the older revision's 83 own slots
};

struct IKivTable : IInterface {
  static constexpr TGUID IID = StringToGUID("{2D68020C-55A2-4548-BAB9-932CE534E7E1}");
  KIV_GAP(5, 7)
  // A new record of this table that is not in it yet (RecordIndex -1).
  virtual void NewRecord(IntfPtr<IKivRecord>& Result) = 0;  // 8, older 10
  KIV_GAP(2, 2)
  virtual void AppendRecord(IKivRecord* Record) = 0;  // 11, older 13
  KIV_GAP(5, 5)
  virtual void ClearRecords() = 0;  // 17, older 19
  // The first record whose field equals the value, or nil.
  virtual void Locate(const std::string& FieldName, const Variant& Value, IntfPtr<IKivRecord>& Result) = 0;  // 18, older 20
  KIV_GAP(8, 7)
  // The record with that key, or nil.
  virtual void FindByKey(int32_t Key, IntfPtr<IKivRecord>& Result) = 0;  // 27, older 28
  KIV_GAP(20, 18)
  virtual int32_t RecordCount() = 0;  // 48, older 47
  virtual void RecordByIndex(int32_t Index, IntfPtr<IKivRecord>& Result) = 0;  // 49, older 48
  KIV_GAP(4, 3)
  virtual uint8_t LoadState() = 0;  // 54, older 52
  KIV_GAP(0, 17)  // up to the older revision's 67 own slots
};

// Every table answers this interface; the body format is the engine's own.
struct IKivTableStreamLoader : IInterface {
  static constexpr TGUID IID = StringToGUID("{69F9FBE0-062D-485E-AD20-1769F447F824}");
  // Reads a table body from the stream's position and leaves the stream right after it.
  virtual void LoadFromStream(TStream* Stream) = 0;  // 3
};

struct IKivRecord : IInterface {
  static constexpr TGUID IID = StringToGUID("{9863F990-52CB-4E18-8FC2-BE20275DF036}");
  KIV_GAP(5, 5)
#ifndef TARVIK_OLDER_VARIANT
  virtual bool AllowsFieldLoad() = 0;  // 8
#endif
  KIV_GAP(10, 9)
  virtual void Table(IntfPtr<IKivTable>& Result) = 0;  // 19, older 17
  virtual int32_t RecordIndex() = 0;                   // 20, older 18
  virtual int32_t Key() = 0;                           // 21, older 19
  KIV_GAP(1, 1)
  virtual uint8_t FieldCount() = 0;                                    // 23, older 21
  virtual void Fields(int32_t Index, IntfPtr<IKivField>& Result) = 0;  // 24, older 22
  KIV_GAP(5, 3)
  virtual int32_t FieldAsInteger(const std::string& FieldName) = 0;  // 30, older 26
  KIV_GAP(0, 32)  // up to the older revision's 56 own slots
};

struct IKivField : IInterface {
  static constexpr TGUID IID = StringToGUID("{FD8F6F0E-F22E-4E67-BF63-7877B6BCD33E}");
  KIV_GAP(10, 8)
  virtual void OwnerRecord(IntfPtr<IKivRecord>& Result) = 0;  // 13, older 11
  KIV_GAP(3, 3)
  // The value encoding (0 to 11) in the low seven bits.
  virtual int32_t DataType() = 0;   // 17, older 15
  virtual uint8_t FieldKind() = 0;  // 18, older 16
  KIV_GAP(3, 3)
  virtual void SetAsString(const std::string& Value) = 0;  // 22, older 20
  KIV_GAP(3, 1)
  virtual void SetAsFloat(double Value) = 0;  // 26, older 22
  KIV_GAP(1, 1)
  virtual void SetAsInteger(int32_t Value) = 0;  // 28, older 24
  KIV_GAP(1, 1)
  // A Boolean byte as stored: 0 is False, any other byte True.
  virtual void SetAsBoolean(uint8_t Value) = 0;             // 30, older 26
  virtual void NestedTable(IntfPtr<IKivTable>& Result) = 0;  // 31, older 27
  KIV_GAP(3, 3)
  virtual void SetText(const std::string& Value) = 0;  // 35, older 31
  KIV_GAP(1, 1)
  virtual void SetFlagBit3(bool Value) = 0;  // 37, older 33
  KIV_GAP(1, 1)
  virtual void SetIsNull(bool Value) = 0;  // 39, older 35
  KIV_GAP(1, 1)
  virtual void SetFlagBit1(bool Value) = 0;  // 41, older 37
  KIV_GAP(2, 2)
  virtual void SetFlagBit5(bool Value) = 0;  // 44, older 40
  KIV_GAP(0, 1)  // up to the older revision's 39 own slots
};


// How the engine library publishes its engine: at load it registers a window
// class named by KivEngineClassName under its own module handle, and the
// class's window-procedure field carries the engine. In the current revision
// it carries an entry, which sets *Engine (nil on entry) to a counted
// reference; in the older it carries an IKivEngine reference itself, one that
// the library holds until it unloads.
using KivEngineEntryProc = void (*)(IKivEngine** Engine);

inline constexpr const char* KivEngineEntryName = "quarnsimpleplatform";

// "com.velmora.shares.<entry>.<module><process>": each number in upper-case
// hexadecimal at the full width of its type, zero-padded.
inline std::string KivEngineClassName(HMODULE Module, const std::string& EntryName) {
  return Format("com.velmora.shares.%s.%.*llX%.8X", EntryName, static_cast<int>(2 * sizeof(HMODULE)),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Module)), GetCurrentProcessId());
}

// The engine library's side, for an engine of class T: Publish at load
// registers the class under the handle of the module that holds this code,
// Withdraw at unload removes it. Called at load and unload only.
template <class T>
class TKivEnginePublication {
 public:
  // A counted reference to a new engine, for the loader that binds the
  // library. A library may specialize it for its T; one that hands out nil
  // breaks the contract and is refused as not started.
  static IKivEngine* NewEngine() { return IntfPtr<IKivEngine>(New<T>()).Detach(); }

  static void Publish() {
    const std::string name = KivEngineClassName(Module(), KivEngineEntryName);
    WNDCLASSA wndClass{};
    wndClass.lpfnWndProc = Carried();
    wndClass.hInstance = Module();
    wndClass.lpszClassName = name.c_str();
    RegisterClassA(&wndClass);
  }

  static void Withdraw() {
    UnregisterClassA(KivEngineClassName(Module(), KivEngineEntryName).c_str(), Module());
    Drop();
  }

 private:
  static HMODULE Module() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Publish), &module);
    return module;
  }

#ifdef TARVIK_OLDER_VARIANT
  // The engine, made at load; its reference goes at unload.
  static WNDPROC Carried() {
    Engine = NewEngine();
    return reinterpret_cast<WNDPROC>(static_cast<void*>(Engine));
  }
  static void Drop() {
    if (IKivEngine* engine = std::exchange(Engine, nullptr)) engine->_Release();
  }
  static inline IKivEngine* Engine = nullptr;
#else
  // The entry, which makes an engine for each library wrapper that binds it.
  static WNDPROC Carried() { return reinterpret_cast<WNDPROC>(reinterpret_cast<void (*)()>(&Entry)); }
  static void Drop() {}
  static void Entry(IKivEngine** Engine) { *Engine = NewEngine(); }
#endif
};
