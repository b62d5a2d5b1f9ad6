#include "winport/RegistryLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "winport/Errors.h"

namespace {

constexpr const char* kLockFile = "/.lock";

// Opens the lock file, making it when missing. A new lock file is as
// writable as its folder, so whoever may change the key may lock it.
int OpenLockFile(const std::string& dir, int flags) {
  const std::string file = dir + kLockFile;
  int fd = open(file.c_str(), flags | O_CLOEXEC);
  if (fd >= 0 || errno != ENOENT) return fd;
  fd = open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? open(file.c_str(), flags | O_CLOEXEC) : -1;
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) fchmod(fd, st.st_mode & 0666);
  return fd;
}

}  // namespace

RegKeyLock::~RegKeyLock() {
  if (FFd >= 0) close(FFd);  // closing the open file releases its lock
}

LONG RegKeyLock::Lock(const std::string& dir, Mode mode) {
  const bool exclusive = mode == Exclusive;
  for (;;) {
    FFd = OpenLockFile(dir, exclusive ? O_RDWR : O_RDONLY);
    if (FFd < 0) {
      if (!exclusive && (errno == EACCES || errno == EPERM || errno == EROFS)) return ERROR_SUCCESS;
      return static_cast<LONG>(ErrnoToWinError(errno));
    }
    struct flock lk {};
    lk.l_type = exclusive ? F_WRLCK : F_RDLCK;
    lk.l_whence = SEEK_SET;
    int rc;
    while ((rc = fcntl(FFd, F_OFD_SETLKW, &lk)) != 0 && errno == EINTR) {
    }
    if (rc != 0) return static_cast<LONG>(ErrnoToWinError(errno));
    // The key may have been deleted, and made again, while this waited: the
    // lock counts only while its file is still the key's.
    struct stat held, current;
    if (fstat(FFd, &held) != 0) return static_cast<LONG>(ErrnoToWinError(errno));
    if (stat((dir + kLockFile).c_str(), &current) != 0)
      return static_cast<LONG>(ErrnoToWinError(errno == ENOTDIR ? ENOENT : errno));
    if (held.st_dev == current.st_dev && held.st_ino == current.st_ino) return ERROR_SUCCESS;
    close(FFd);
    FFd = -1;
  }
}
