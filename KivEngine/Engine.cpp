#include "KivEngine/Engine.h"

#include "KivEngine/Messages.h"
#include "KivEngine/Model.h"
#include "KivEngine/ModelFile.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"

namespace kivengine {

#ifdef TARVIK_OLDER_VARIANT
void TEngine::CreateModel(bool, IntfPtr<IKivModel>& Result) { Result = New<TModel>(); }
#else
namespace {
class TModelParam : public Implements<TInterfacedObject, IInterface> {};
}  // namespace

void TEngine::CreateModel(bool, IInterface*, IntfPtr<IKivModel>& Result) { Result = New<TModel>(); }

void TEngine::GetModelParam(IntfPtr<IInterface>& Result) {
  Result = static_cast<IInterface*>(New<TModelParam>());
}
#endif

void TEngine::GetLoader(IntfPtr<IKivModelLoader>& Result) { Result = New<TModelLoader>(); }

void TModelLoader::LoadFile(const std::string& FileName, IKivModel* Model, int32_t Options) {
  TModel* model = dynamic_cast<TModel*>(Model);
  if (!model) throw Exception(SForeignModel);
  if (Options != 0) throw Exception(Format(SBadOptions, Options, 0));
  model->Define(LoadModelFile(FileName));
}

}  // namespace kivengine
