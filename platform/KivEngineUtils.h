// Finding, loading and binding the engine library. The current variant keeps
// a process-wide registry of loaded engine libraries and a default engine;
// the older variant keeps one cached engine. For one thread at a time.
#pragma once

#include <string>

#include "platform/KivEngineIntf.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "rtl/InterfacedObject.h"

// Raised when the engine library is missing, unregistered or does not start.
// Header-only, so that a host catches it by class.
class EKivEngine : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* SKivEngineMissing = "平台引擎文件 %s 不存在";
inline constexpr const char* SKivEngineNotRegistered = "平台引擎文件 %s 未注册";
inline constexpr const char* SKivEngineInitFailed = "初始化的平台引擎文件 %s 失败";
inline constexpr const char* SKivEngineNilResult = "平台引擎的%s没有返回对象";

// An object that an engine call must hand out (KivEngineIntf.h): nil, from an
// engine library that breaks the contract, raises EKivEngine naming the call.
template <class T>
T* EngineResult(const IntfPtr<T>& result, const char* call) {
  if (!result) throw EKivEngine(Format(SKivEngineNilResult, call));
  return result.get();
}

// The engine of one loaded engine library. It holds the library loaded until
// its last reference goes; its own slots forward to the library's engine.
// Its references are counted atomically.
class TKivEngine : public Implements<TInterfacedObject, IKivEngine> {
 public:
  // FileName is a resolved full path. Loads the library and binds the engine
  // it publishes, or raises EKivEngine with the library freed again.
  explicit TKivEngine(const std::string& FileName);
  ~TKivEngine() override;

  void GetLoader(IntfPtr<IKivModelLoader>& Result) override;
  intptr_t Reserved6(intptr_t A) override;
  intptr_t Reserved7(intptr_t A) override;
  intptr_t Reserved8(intptr_t A) override;
#ifdef TARVIK_OLDER_VARIANT
  void CreateModel(bool Option, IntfPtr<IKivModel>& Result) override;
  intptr_t Reserved4(intptr_t A, intptr_t B, intptr_t C) override;
#else
  void CreateModel(bool Option, IInterface* Param, IntfPtr<IKivModel>& Result) override;
  intptr_t Reserved4(intptr_t A, intptr_t B, intptr_t C, intptr_t D) override;
  intptr_t Reserved9(intptr_t A) override;
  void GetModelParam(IntfPtr<IInterface>& Result) override;
  intptr_t Reserved11(intptr_t A) override;

  // The registered engine of the file, loading and registering it first.
  static void LoadEngine(const std::string& FileName, IntfPtr<IKivEngine>& Result);
  // The registered engine of the file, or nil.
  static void FindEngine(const std::string& FileName, IntfPtr<IKivEngine>& Result);
  // Drops the registry's reference to the file's engine.
  static void UnloadEngine(const std::string& FileName);
  // Unloads every registered engine, the last registered first.
  static void UnloadAllEngines();
  // The full path of the engine library that a name stands for (an empty name:
  // KivEngine.dll beside this code's module; a missing file: the "KivEngine"
  // environment variable); EKivEngine when no file is there.
  static std::string ResolveEngineFileName(const std::string& FileName);
  // The entry that the library at Module publishes under EntryName, or nil.
  static KivEngineEntryProc FindEntryProc(HMODULE Module, const std::string& EntryName);
#endif

 private:
  // What the window-procedure field of the class that the library at Module
  // publishes under EntryName carries, or nil when there is no such class.
  static void* PublishedBy(HMODULE Module, const std::string& EntryName);
  // Takes the engine that the loaded library publishes; FEngine stays nil
  // when it publishes none.
  void Bind();
  void Unbind();

  std::string FLibraryPath;
  HMODULE FLibHandle = nullptr;
  IntfPtr<IKivEngine> FEngine;
};

// The engine of the named library, a reference of the caller's in Result; an
// empty name gives the process-wide default engine, loaded on first use. In
// the older variant every named request makes a new engine, which replaces
// the cached one that an empty name gives.
void GetKivEngine(const std::string& FileName, IntfPtr<IKivEngine>& Result);

#ifdef TARVIK_OLDER_VARIANT
// The engine library that the variable "QuarnSmartPlatForm" names; empty when
// it is unset.
std::string PlatformEnginePath();
// A new engine of the library at Path (made a full path; an empty Path:
// KivEngine.dll beside this code's module); EKivEngine when no file is there.
void CreateKivEngine(const std::string& Path, IntfPtr<IKivEngine>& Result);
#endif

// The full file name of the module that holds this code: the Tarvik library,
// or the program that it is built into.
std::string ThisModuleFileName();
// The value of an environment variable in the ANSI code page; empty when unset.
std::string EnvironmentVariable(const char* Name);

// Load and unload steps of this unit, called by the library's main unit.
void KivEngineUtilsInitialize();
void KivEngineUtilsFinalize();
