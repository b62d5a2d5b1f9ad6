// The engine that the library publishes, and its model loader.
#pragma once

#include "platform/KivEngineIntf.h"
#include "rtl/InterfacedObject.h"

namespace kivengine {

class TEngine : public Implements<TInterfacedObject, IKivEngine> {
 public:
  // An empty model; the option and the parameter change nothing here.
#ifdef TARVIK_OLDER_VARIANT
  void CreateModel(bool Option, IntfPtr<IKivModel>& Result) override;
#else
  void CreateModel(bool Option, IInterface* Param, IntfPtr<IKivModel>& Result) override;
  // An object that carries nothing: this engine's models need no parameters.
  void GetModelParam(IntfPtr<IInterface>& Result) override;
#endif
  void GetLoader(IntfPtr<IKivModelLoader>& Result) override;
};

class TModelLoader : public Implements<TInterfacedObject, IKivModelLoader> {
 public:
  // Gives the model the definition in the model file; Options must be 0.
  void LoadFile(const std::string& FileName, IKivModel* Model, int32_t Options) override;
};

}  // namespace kivengine
