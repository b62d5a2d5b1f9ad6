#include "platform/KivEngineUtils.h"

#include <utility>
#include <vector>

#include "rtl/Format.h"
#include "rtl/Paths.h"
#include "rtl/StringList.h"
#include "winport/Environment.h"
#include "winport/WindowClass.h"

namespace {

// Each item: a library's full path, with its engine holding one reference.
TStringList* EngineRegistry = nullptr;
// Holds one reference of its own; also registered.
IKivEngine* DefaultEngine = nullptr;

void ClearDefaultEngine() {
  if (IKivEngine* engine = std::exchange(DefaultEngine, nullptr)) engine->_Release();
}

IKivEngine* RegisteredEngine(int32_t index) { return static_cast<IKivEngine*>(EngineRegistry->Objects(index)); }

std::string EnvironmentVariable(const char* name) {
  std::vector<char> value(MAX_PATH);
  for (;;) {
    DWORD n = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (n < value.size()) return std::string(value.data(), n);
    value.resize(n);
  }
}

}  // namespace

std::string ThisModuleFileName() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModuleFileName), &module);
  return GetModuleName(module);
}

TKivEngine::TKivEngine(const std::string& FileName) : FLibraryPath(FileName) {
  FLibHandle = LoadLibraryA(FileName.c_str());
  if (!FLibHandle) throw EKivEngine(Format(SKivEngineInitFailed, FileName));
  try {
    KivEngineEntryProc entry = FindEntryProc(FLibHandle, KivEngineEntryName);
    if (!entry) throw EKivEngine(Format(SKivEngineInitFailed, FileName));
    IKivEngine* engine = nullptr;
    entry(&engine);
    FEngine = IntfPtr<IKivEngine>::Attach(engine);
    // Every call forwards to it: an entry that hands out nothing has not started.
    if (!FEngine) throw EKivEngine(Format(SKivEngineInitFailed, FileName));
  } catch (...) {
    Unbind();
    throw;
  }
}

TKivEngine::~TKivEngine() { Unbind(); }

// The engine's last reference goes while its code is still loaded.
void TKivEngine::Unbind() {
  FEngine.Clear();
  if (FLibHandle) FreeLibrary(std::exchange(FLibHandle, nullptr));
}

std::string TKivEngine::ResolveEngineFileName(const std::string& FileName) {
  std::string full =
      FileName.empty() ? ExtractFilePath(ThisModuleFileName()) + "KivEngine.dll" : ExpandFileName(FileName);
  if (!FileExists(full)) {
    full = ExpandFileName(EnvironmentVariable("KivEngine"));
    if (!FileExists(full)) throw EKivEngine(Format(SKivEngineMissing, full));
  }
  return full;
}

KivEngineEntryProc TKivEngine::FindEntryProc(HMODULE Module, const std::string& EntryName) {
  WNDCLASSA wndClass{};
  if (!GetClassInfoA(Module, KivEngineClassName(Module, EntryName).c_str(), &wndClass)) return nullptr;
  // The window-procedure field carries the entry, whatever its type.
  return reinterpret_cast<KivEngineEntryProc>(reinterpret_cast<void (*)()>(wndClass.lpfnWndProc));
}

void TKivEngine::FindEngine(const std::string& FileName, IntfPtr<IKivEngine>& Result) {
  const std::string full = ResolveEngineFileName(FileName);
  Result.Clear();
  if (!EngineRegistry) return;
  int32_t index = EngineRegistry->IndexOf(full);
  if (index >= 0) Result = RegisteredEngine(index);
}

void TKivEngine::LoadEngine(const std::string& FileName, IntfPtr<IKivEngine>& Result) {
  const std::string full = ResolveEngineFileName(FileName);
  FindEngine(full, Result);
  if (Result) return;
  if (!EngineRegistry) EngineRegistry = New<TStringList>();
  IntfPtr<IKivEngine> engine(New<TKivEngine>(full));
  EngineRegistry->AddObject(full, engine.get());
  engine->_AddRef();
  Result = std::move(engine);
}

void TKivEngine::UnloadEngine(const std::string& FileName) {
  const std::string full = ResolveEngineFileName(FileName);
  int32_t index = EngineRegistry ? EngineRegistry->IndexOf(full) : -1;
  if (index < 0) throw EKivEngine(Format(SKivEngineNotRegistered, full));
  RegisteredEngine(index)->_Release();
  EngineRegistry->Delete(index);
}

void TKivEngine::UnloadAllEngines() {
  if (!EngineRegistry) return;
  for (int32_t i = EngineRegistry->Count() - 1; i >= 0; --i) UnloadEngine(EngineRegistry->Strings(i));
  TObject* registry = std::exchange(EngineRegistry, nullptr);
  registry->Free();
}

void TKivEngine::CreateModel(bool Option, IInterface* Param, IntfPtr<IKivModel>& Result) {
  FEngine->CreateModel(Option, Param, Result);
}
intptr_t TKivEngine::Reserved4(intptr_t A, intptr_t B, intptr_t C, intptr_t D) {
  return FEngine->Reserved4(A, B, C, D);
}
void TKivEngine::GetLoader(IntfPtr<IKivModelLoader>& Result) { FEngine->GetLoader(Result); }
intptr_t TKivEngine::Reserved6(intptr_t A) { return FEngine->Reserved6(A); }
intptr_t TKivEngine::Reserved7(intptr_t A) { return FEngine->Reserved7(A); }
intptr_t TKivEngine::Reserved8(intptr_t A) { return FEngine->Reserved8(A); }
intptr_t TKivEngine::Reserved9(intptr_t A) { return FEngine->Reserved9(A); }
void TKivEngine::GetModelParam(IntfPtr<IInterface>& Result) { FEngine->GetModelParam(Result); }
intptr_t TKivEngine::Reserved11(intptr_t A) { return FEngine->Reserved11(A); }

void GetKivEngine(const std::string& FileName, IntfPtr<IKivEngine>& Result) {
  if (!FileName.empty()) {
    TKivEngine::LoadEngine(FileName, Result);
    return;
  }
  if (!DefaultEngine) {
    IntfPtr<IKivEngine> engine;
    TKivEngine::LoadEngine(FileName, engine);
    DefaultEngine = engine.Detach();
  }
  Result = DefaultEngine;
}

void KivEngineUtilsInitialize() { DefaultEngine = nullptr; }

// Runs while the library unloads, where nothing may escape: a library that
// cannot be unloaded (its file has gone) stays loaded.
void KivEngineUtilsFinalize() {
  ClearDefaultEngine();
  try {
    TKivEngine::UnloadAllEngines();
  } catch (const Exception&) {
  }
  ClearDefaultEngine();
}
