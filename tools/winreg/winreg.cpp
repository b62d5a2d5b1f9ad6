// winreg: imports and exports .reg files to and from the registry store
// (WINPORT_REGISTRY, default /var/lib/winport/registry).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/winreg/RegFile.h"
#include "winport/RegistryText.h"

namespace {

int Usage() {
  std::fputs("usage: winreg import FILE.reg\n       winreg export [--utf16] KEYPATH\n", stderr);
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "winreg: %s\n", message.c_str());
  return 1;
}

int Import(const char* fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return Fail(std::string("cannot read ") + fileName);
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::string error = ImportRegFile(bytes.str());
  return error.empty() ? 0 : Fail(std::string(fileName) + ": " + error);
}

int Export(const char* keyPath, bool utf16) {
  std::string text;
  std::string error = ExportRegKey(keyPath, text);
  if (!error.empty()) return Fail(error);
  std::cout << (utf16 ? WindowsRegFile(text) : text);
  return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool exports = argc > 1 && std::strcmp(argv[1], "export") == 0;
  if (argc == 3 && std::strcmp(argv[1], "import") == 0) return Import(argv[2]);
  if (argc == 3 && exports) return Export(argv[2], false);
  if (argc == 4 && exports && std::strcmp(argv[2], "--utf16") == 0) return Export(argv[3], true);
  return Usage();
}
