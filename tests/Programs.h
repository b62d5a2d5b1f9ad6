// Test support: running the project's command-line programs from TARVIK_PROGRAMS.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

// Runs `program arguments` through the shell and answers its exit status, with
// its standard output in `out` and its standard error in `err` when asked for.
inline int RunProgram(const std::string& program, const std::string& arguments, std::string* out = nullptr,
                      std::string* err = nullptr) {
  std::string errFile = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/tarvik-stderr-" +
                        std::to_string(getpid());
  std::string command =
      std::string(std::getenv("TARVIK_PROGRAMS")) + "/" + program + " " + arguments + " 2>'" + errFile + "'";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) text.append(buf, n);
  int status = pclose(p);
  if (out) *out = text;
  if (err) {
    err->clear();
    if (FILE* f = std::fopen(errFile.c_str(), "rb")) {
      while (size_t n = std::fread(buf, 1, sizeof buf, f)) err->append(buf, n);
      std::fclose(f);
    }
  }
  std::remove(errFile.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
