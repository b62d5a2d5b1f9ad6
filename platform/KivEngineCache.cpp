// The older variant's engines: one cached engine, which every request that
// names a library replaces. No registry: each request for a library makes a
// new wrapper. A library publishes its engine itself, in the window-procedure
// field of its class.
#include <utility>

#include "platform/KivEngineUtils.h"
#include "rtl/Format.h"
#include "rtl/Paths.h"

namespace {

// Holds one reference of its own.
IKivEngine* CachedEngine = nullptr;

void CacheEngine(IKivEngine* engine) {
  if (engine) engine->_AddRef();
  if (IKivEngine* old = std::exchange(CachedEngine, engine)) old->_Release();
}

}  // namespace

void TKivEngine::Bind() { FEngine = static_cast<IKivEngine*>(PublishedBy(FLibHandle, KivEngineEntryName)); }

void TKivEngine::CreateModel(bool Option, IntfPtr<IKivModel>& Result) { FEngine->CreateModel(Option, Result); }
intptr_t TKivEngine::Reserved4(intptr_t A, intptr_t B, intptr_t C) { return FEngine->Reserved4(A, B, C); }

std::string PlatformEnginePath() { return EnvironmentVariable("QuarnSmartPlatForm"); }

// Unlike the current variant's, no other variable stands in for a missing file.
void CreateKivEngine(const std::string& Path, IntfPtr<IKivEngine>& Result) {
  const std::string full =
      Path.empty() ? ExtractFilePath(ThisModuleFileName()) + "KivEngine.dll" : ExpandFileName(Path);
  if (!FileExists(full)) throw EKivEngine(Format(SKivEngineMissing, full));
  Result = IntfPtr<IKivEngine>(New<TKivEngine>(full));
}

void GetKivEngine(const std::string& FileName, IntfPtr<IKivEngine>& Result) {
  if (FileName.empty() && CachedEngine) {
    Result = CachedEngine;
    return;
  }
  IntfPtr<IKivEngine> engine;
  CreateKivEngine(FileName.empty() ? PlatformEnginePath() : FileName, engine);
  CacheEngine(engine.get());
  Result = std::move(engine);
}

void KivEngineUtilsInitialize() { CachedEngine = nullptr; }

void KivEngineUtilsFinalize() { CacheEngine(nullptr); }
