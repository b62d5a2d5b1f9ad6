// tarvik-host: drives the Tarvik library from the command line. It loads the
// library at run time and calls GetTarviks, as any host does.
//
//   tarvik-host [--library PATH] [--json] COMMAND [ARGUMENTS...]
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "host/HostCommand.h"
#include "host/Output.h"
#include "host/TarvikLibrary.h"
#include "rtl/Exceptions.h"
#include "winport/Codepage.h"

namespace {

int Usage() {
  std::cerr << "usage: tarvik-host [--library PATH] [--json] COMMAND [ARGUMENTS...]\n"
               "  --library PATH  the Tarvik library (default: " << TarvikLibraryFile
            << " beside this program, or in the install's\n"
               "                  library folder)\n"
               "  --json          print JSON instead of lines\n"
               "commands:\n";
  for (const HostCommand& c : HostCommands)
    std::cerr << "  " << c.Name << (*c.Arguments ? " " : "") << c.Arguments << ": " << c.Help << "\n";
  return 2;
}

const HostCommand* FindCommand(const std::string& name) {
  for (const HostCommand& c : HostCommands)
    if (name == c.Name) return &c;
  return nullptr;
}

int Fail(const std::string& utf8) {
  std::cout.flush();
  std::cerr << "tarvik-host: " << utf8 << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string libraryFile = TarvikLibrary::DefaultFileName();
  bool json = false;
  const HostCommand* command = nullptr;
  std::vector<std::string> arguments;
  const std::vector<std::string> given = Utf8Arguments(argc, argv);
  for (size_t i = 0; i < given.size(); ++i) {
    const std::string& arg = given[i];
    if (command) {
      arguments.push_back(arg);
    } else if (arg == "--library" && i + 1 < given.size()) {
      libraryFile = Utf8ToGbk(given[++i]);
    } else if (arg == "--json") {
      json = true;
    } else if (!(command = FindCommand(arg))) {
      return Usage();
    }
  }
  if (!command) return Usage();
  // Outlives the handlers below: an exception raised in the library is
  // destroyed by the library's own code.
  std::unique_ptr<TarvikLibrary> library;
  try {
    library = std::make_unique<TarvikLibrary>(libraryFile);
    HostContext context{*library, json, std::cout};
    int status = command->Run(context, arguments);
    if (status == 2) return Usage();
    std::cout.flush();
    return std::cout ? status : Fail("cannot write the output");
  } catch (const Exception& e) {
    return Fail(Printable(e.Message()));
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
