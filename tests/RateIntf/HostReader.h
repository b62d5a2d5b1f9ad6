// Test support: the fixture of the tests that drive tarvik-host over a rate
// library: a library of two bills and one resource, installed as BQID 1.
#pragma once

#include "rtl/Paths.h"
#include "tests/Programs.h"
#include "tests/RateIntf/RateLibraryFixture.h"

namespace ratetest {

class HostReader : public ReaderTest {
 protected:
  // Runs tarvik-host on the library of this build's variant.
  static int Host(std::vector<std::string> arguments, std::string* out, std::string* err = nullptr) {
    arguments.insert(arguments.begin(), {"--library", Bin() + PathDelim + TarvikLibraryFile});
    return RunProgram("tarvik-host", arguments, out, err);
  }

  Library MakeLibrary() {
    Library library = NewLibrary();
    library.AddResource(100, ResourceBlock(100));
    library.AddBill(1, 5, "010101001", "010101001001", BillBlock(11, {{21, {{31, 100}}}}));
    library.AddBill(2, 5, "010101002", "010101002001", BillBlock(12));
    return library;
  }
};

}  // namespace ratetest
