// The current variant's engines: a process-wide registry of loaded engine
// libraries, keyed by full path, and the default engine, which is also
// registered. Each library publishes an entry that hands out its engine.
#include <utility>

#include "platform/KivEngineUtils.h"
#include "rtl/Format.h"
#include "rtl/Paths.h"
#include "rtl/StringList.h"

namespace {

// Each item: a library's full path, with its engine holding one reference.
TStringList* EngineRegistry = nullptr;
// Holds one reference of its own; also registered.
IKivEngine* DefaultEngine = nullptr;

void ClearDefaultEngine() {
  if (IKivEngine* engine = std::exchange(DefaultEngine, nullptr)) engine->_Release();
}

IKivEngine* RegisteredEngine(int32_t index) { return static_cast<IKivEngine*>(EngineRegistry->Objects(index)); }

}  // namespace

void TKivEngine::Bind() {
  if (KivEngineEntryProc entry = FindEntryProc(FLibHandle, KivEngineEntryName)) {
    IKivEngine* engine = nullptr;
    entry(&engine);
    FEngine = IntfPtr<IKivEngine>::Attach(engine);
  }
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

// The window-procedure field carries the entry, whatever its type.
KivEngineEntryProc TKivEngine::FindEntryProc(HMODULE Module, const std::string& EntryName) {
  return reinterpret_cast<KivEngineEntryProc>(PublishedBy(Module, EntryName));
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
