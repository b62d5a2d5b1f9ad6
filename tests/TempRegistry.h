// Test support: a registry store in a temporary root, and running checks in
// child processes, as this user or as one without write access to the store.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Points WINPORT_REGISTRY at a fresh folder that every user may read, and
// removes it again.
class TempRegistry {
 public:
  TempRegistry() {
    umask(022);  // keys made by the tests stay readable for the unprivileged checks
    char pattern[] = "/tmp/tarvik-registry-XXXXXX";
    FDir = mkdtemp(pattern);
    chmod(FDir.c_str(), 0755);
    setenv("WINPORT_REGISTRY", (FDir + "/root").c_str(), 1);
  }
  ~TempRegistry() {
    unsetenv("WINPORT_REGISTRY");
    std::error_code ec;
    for (auto& e : std::filesystem::recursive_directory_iterator(FDir, ec))
      chmod(e.path().c_str(), e.is_directory() ? 0755 : 0644);
    std::filesystem::remove_all(FDir, ec);
  }
  TempRegistry(const TempRegistry&) = delete;
  TempRegistry& operator=(const TempRegistry&) = delete;

  const std::string& Dir() const { return FDir; }
  std::string Root() const { return FDir + "/root"; }

 private:
  std::string FDir;
};

// Runs `work` in a child process, which exits with what `work` answers, and
// answers the child's pid.
inline pid_t Spawn(const std::function<int()>& work) {
  pid_t pid = fork();
  if (pid == 0) _exit(work());
  return pid;
}

// Waits for a child and answers its exit status, or 128 + the signal that
// ended it.
inline int Reap(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs `check` in a child process that has given up root (as the user and group
// 65534) and answers its exit status; 99 when the child could not drop root.
// As another user the check runs unchanged: the folders' permissions decide.
inline int RunUnprivileged(const std::function<int()>& check) {
  return Reap(Spawn([&] {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) return 99;
    return check();
  }));
}
