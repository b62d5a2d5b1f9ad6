// Runs a program with its output and errors going to files of a scratch
// folder, which are read once it has ended.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/Programs.h"
#include "tests/ScratchFolder.h"

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::string* out,
               std::string* err) {
  ScratchFolder scratch;
  const std::string outFile = scratch / "out", errFile = scratch / "err";
  std::string path = std::string(std::getenv("TARVIK_PROGRAMS")) + "/" + program;
  std::vector<std::string> args = arguments;
  std::vector<char*> argv{path.data()};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    const int outFd = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(127);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  if (out) *out = scratch.Read("out");
  if (err) *err = scratch.Read("err");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
