#include "rtl/Object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

TObject::~TObject() = default;

std::string TObject::ClassName() const {
  const char* mangled = typeid(*this).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                   std::free);
  std::string name = status == 0 ? demangled.get() : mangled;
  auto scope = name.rfind("::");
  return scope == std::string::npos ? name : name.substr(scope + 2);
}

void TObject::Free() {
  BeforeDestruction();
  delete this;
}
