#include "host/TarvikLibrary.h"

#include <dlfcn.h>
#include <filesystem>
#include <stdexcept>

TarvikLibrary::TarvikLibrary(const std::string& fileName) {
  FHandle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!FHandle) throw std::runtime_error(std::string("cannot load the Tarvik library: ") + dlerror());
  FGetTarviks = reinterpret_cast<TGetTarviks>(dlsym(FHandle, GetTarviksName));
  if (!FGetTarviks) {
    dlclose(FHandle);
    throw std::runtime_error(fileName + " does not export " + GetTarviksName);
  }
}

TarvikLibrary::~TarvikLibrary() { dlclose(FHandle); }

IntfPtr<IRateBQs> TarvikLibrary::Catalogue() {
  IntfPtr<IRateBQs> catalogue;
  FGetTarviks(catalogue);
  return catalogue;
}

std::string TarvikLibrary::DefaultFileName() {
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (program.parent_path() / "libTarvik.so").string();
}
