// Test support: running the project's command-line programs from TARVIK_PROGRAMS
// without a shell, so that each argument (UTF-8) reaches the program as it is.
#pragma once

#include <string>
#include <vector>

// Runs the program with the arguments and answers its exit status (-1 when
// it could not be started or did not exit), with its standard output in
// `out` and its standard error in `err` when asked for. Windows programs end
// their lines in CR LF; they are read as LF.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::string* out = nullptr,
               std::string* err = nullptr);
