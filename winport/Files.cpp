#include "winport/Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

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

int FdOf(HANDLE file) { return static_cast<int>(reinterpret_cast<intptr_t>(file)); }
HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(intptr_t{fd}); }

// A file descriptor, or -1 with GetLastError set.
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

}  // namespace

std::string NativeFileName(LPCSTR fileName) { return GbkToUtf8(fileName); }

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD share, void*, DWORD disposition, DWORD, HANDLE) {
  return HandleOf(OpenFileShared(fileName, access, share, disposition));
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void*) {
  DWORD done = 0;
  while (done < toRead) {
    ssize_t n = ::read(FdOf(file), static_cast<char*>(buffer) + done, toRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastError(ErrnoToWinError(errno));
      if (read) *read = done;
      return FALSE;
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void*) {
  DWORD done = 0;
  while (done < toWrite) {
    ssize_t n = ::write(FdOf(file), static_cast<const char*>(buffer) + done, toWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      SetLastError(ErrnoToWinError(errno));
      if (written) *written = done;
      return FALSE;
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method) {
  const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  off_t at = lseek(FdOf(file), distance.QuadPart, whence);
  if (at < 0) {
    SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrnoToWinError(errno));
    return FALSE;
  }
  if (newPosition) newPosition->QuadPart = at;
  return TRUE;
}

BOOL SetEndOfFile(HANDLE file) {
  off_t at = lseek(FdOf(file), 0, SEEK_CUR);
  if (at < 0 || ftruncate(FdOf(file), at) != 0) {
    SetLastError(ErrnoToWinError(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  if (close(FdOf(object)) != 0) {
    SetLastError(ErrnoToWinError(errno));
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
  struct stat st;
  if (stat(NativeFileName(fileName).c_str(), &st) != 0) {
    SetLastError(ErrnoToWinError(errno));
    return INVALID_FILE_ATTRIBUTES;
  }
  return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD size, LPSTR buffer, LPSTR* filePart) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  std::string path = fileName;
  if (path[0] != '/') {
    std::string cwd(256, '\0');
    while (!getcwd(cwd.data(), cwd.size())) {
      if (errno != ERANGE) return 0;
      cwd.resize(cwd.size() * 2);
    }
    path = Utf8ToGbk(cwd.c_str()) + "/" + path;
  }
  std::vector<std::string> parts;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  std::string full;
  for (const std::string& part : parts) full += "/" + part;
  // A trailing delimiter names a folder and stays.
  if (full.empty() || (path.back() == '/' && full.back() != '/')) full += "/";
  if (full.size() >= size) return static_cast<DWORD>(full.size() + 1);
  std::memcpy(buffer, full.c_str(), full.size() + 1);
  if (filePart) {
    const size_t slash = full.rfind('/');
    *filePart = slash + 1 < full.size() ? buffer + slash + 1 : nullptr;
  }
  return static_cast<DWORD>(full.size());
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
