// winreg: imports and exports .reg files to and from the registry store
// (WINPORT_REGISTRY, default /var/lib/winport/registry).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/winreg/RegFile.h"

namespace {

int Usage() {
  std::fputs("usage: winreg import FILE.reg\n       winreg export KEYPATH\n", stderr);
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "winreg: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  if (std::strcmp(argv[1], "import") == 0) {
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) return Fail(std::string("cannot read ") + argv[2]);
    std::stringstream text;
    text << in.rdbuf();
    std::string error = ImportRegFile(text.str());
    return error.empty() ? 0 : Fail(std::string(argv[2]) + ": " + error);
  }
  if (std::strcmp(argv[1], "export") == 0) {
    std::string text;
    std::string error = ExportRegKey(argv[2], text);
    if (!error.empty()) return Fail(error);
    std::cout << text;
    return std::cout.flush() ? 0 : 1;
  }
  return Usage();
}
