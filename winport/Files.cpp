#include "winport/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "winport/Codepage.h"
#include "winport/Errors.h"

// Share modes are kept as open file description locks on bytes far past any
// data: each open holds a read lock on "I read"/"I write" for its access and on
// "deny read"/"deny write" for what it refuses to share. An open conflicts when
// someone holds the deny byte of an access it wants, or the access byte of
// something it denies. OFD locks conflict between two opens of one process
// too, as Windows share modes do.
namespace {

constexpr off_t kLockBase = 0x7FFFFFFF00000000LL;
enum LockByte : off_t { kAccessRead = 0, kAccessWrite = 1, kDenyRead = 2, kDenyWrite = 3 };

struct flock ByteLock(short type, off_t byte) {
  struct flock lk {};
  lk.l_type = type;
  lk.l_whence = SEEK_SET;
  lk.l_start = kLockBase + byte;
  lk.l_len = 1;
  return lk;
}

bool HeldByOthers(int fd, off_t byte) {
  struct flock lk = ByteLock(F_WRLCK, byte);
  return fcntl(fd, F_OFD_GETLK, &lk) == 0 && lk.l_type != F_UNLCK;
}

bool Hold(int fd, off_t byte) {
  struct flock lk = ByteLock(F_RDLCK, byte);
  return fcntl(fd, F_OFD_SETLK, &lk) == 0;
}

}  // namespace

std::string NativeFileName(LPCSTR fileName) { return GbkToUtf8(fileName); }

int OpenFileShared(LPCSTR fileName, DWORD access, DWORD share, DWORD disposition) {
  const bool reads = access & GENERIC_READ;
  const bool writes = access & GENERIC_WRITE;
  int flags = O_CLOEXEC | (writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY);
  // A lock needs a readable descriptor; a write-only open reads too, unseen.
  if (writes && !reads) flags = (flags & ~O_WRONLY) | O_RDWR;
  if (disposition == CREATE_ALWAYS) flags |= O_CREAT;

  int fd = open(NativeFileName(fileName).c_str(), flags, 0666);
  if (fd < 0) {
    SetLastError(ErrnoToWinError(errno));
    return -1;
  }
  // A folder opens for reading here but is no file to Windows.
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return -1;
  }
  // Hold first, then look: of two opens racing each other, at least one sees
  // the other's locks, so both cannot succeed.
  bool held = true;
  if (reads) held = Hold(fd, kAccessRead);
  if (held && writes) held = Hold(fd, kAccessWrite);
  if (held && !(share & FILE_SHARE_READ)) held = Hold(fd, kDenyRead);
  if (held && !(share & FILE_SHARE_WRITE)) held = Hold(fd, kDenyWrite);
  const bool conflict = (reads && HeldByOthers(fd, kDenyRead)) || (writes && HeldByOthers(fd, kDenyWrite)) ||
                        (!(share & FILE_SHARE_READ) && HeldByOthers(fd, kAccessRead)) ||
                        (!(share & FILE_SHARE_WRITE) && HeldByOthers(fd, kAccessWrite));
  if (!held || conflict) {
    close(fd);
    SetLastError(ERROR_SHARING_VIOLATION);
    return -1;
  }
  if (disposition == CREATE_ALWAYS && ftruncate(fd, 0) != 0) {
    SetLastError(ErrnoToWinError(errno));
    close(fd);
    return -1;
  }
  return fd;
}

BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  int source = OpenFileShared(existingFileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (source < 0) return FALSE;
  if (failIfExists && access(NativeFileName(newFileName).c_str(), F_OK) == 0) {
    close(source);
    SetLastError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  int target = OpenFileShared(newFileName, GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (target < 0) {
    close(source);
    return FALSE;
  }
  char buffer[65536];
  bool ok = true;
  for (ssize_t n; ok && (n = read(source, buffer, sizeof buffer)) != 0;) {
    ok = n > 0;
    for (ssize_t done = 0; ok && done < n;) {
      ssize_t w = write(target, buffer + done, n - done);
      ok = w > 0;
      done += w;
    }
  }
  if (!ok) SetLastError(ErrnoToWinError(errno));
  close(source);
  if (close(target) != 0 && ok) {
    SetLastError(ErrnoToWinError(errno));
    ok = false;
  }
  return ok ? TRUE : FALSE;
}
