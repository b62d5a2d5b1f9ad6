// The JSON reader's time on a large object, watched by the system's CPU limit
// of a child process.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "tools/json/Json.h"

namespace {

// Member names are checked against those before them through the object's
// own index: an object of 200,000 members parses in a moment, where a scan of
// the earlier names for each new one would take hours. The child gets a limit
// of CPU seconds far above the moment and far below the hours.
TEST(Json, LargeObjectsParseInLinearTime) {
  std::string text = "{";
  for (int i = 0; i < 200000; ++i) text += (i ? ",\"m" : "\"m") + std::to_string(i) + "\":" + std::to_string(i);
  text += "}";
  const pid_t child = fork();
  if (child == 0) {
    const rlimit cpu{20, 20};
    setrlimit(RLIMIT_CPU, &cpu);
    _exit(ParseJson(text).size() == 200000 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
