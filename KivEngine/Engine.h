// The engine that the library publishes, its model loader and model parameter.
#pragma once

#include "platform/KivEngineIntf.h"
#include "rtl/InterfacedObject.h"

namespace kivengine {

class TEngine : public Implements<TInterfacedObject, IKivEngine> {
 public:
  // An empty model; the option and the parameter change nothing here.
  void CreateModel(bool Option, IInterface* Param, IntfPtr<IKivModel>& Result) override;
  void GetLoader(IntfPtr<IKivModelLoader>& Result) override;
  void GetModelParam(IntfPtr<IInterface>& Result) override;

  // Operations this engine does not have: they do nothing and answer 0.
  intptr_t Reserved4(intptr_t, intptr_t, intptr_t, intptr_t) override { return 0; }
  intptr_t Reserved6(intptr_t) override { return 0; }
  intptr_t Reserved7(intptr_t) override { return 0; }
  intptr_t Reserved8(intptr_t) override { return 0; }
  intptr_t Reserved9(intptr_t) override { return 0; }
  intptr_t Reserved11(intptr_t) override { return 0; }
};

class TModelLoader : public Implements<TInterfacedObject, IKivModelLoader> {
 public:
  // Gives the model the definition in the model file; Options must be 0.
  void LoadFile(const std::string& FileName, IKivModel* Model, int32_t Options) override;
};

// What CreateModel takes; this engine's models need no parameters.
class TModelParam : public Implements<TInterfacedObject, IInterface> {};

}  // namespace kivengine
