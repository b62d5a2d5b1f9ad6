// How the tools end on an exception: "tool: message" on standard error and
// exit status 1. The system's own messages are GBK and are printed as UTF-8.
#pragma once

#include <cstdio>
#include <exception>

#include "rtl/Exceptions.h"
#include "winport/Codepage.h"

// Answers run()'s status, or 1 after reporting what it raised.
template <class Run>
int RunReportingFailure(const char* tool, Run run) {
  try {
    return run();
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", tool, GbkToUtf8(e.Message()).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", tool, e.what());
  }
  return 1;
}
