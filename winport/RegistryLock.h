// The lock of one key of the registry store: an open file description lock
// on the file ".lock" in the key's folder, shared while the key's values or
// sub-keys are read and exclusive while they change.
#pragma once

#include <string>

#include "winport/WinTypes.h"

// One lock held on one key. Such a lock belongs to its open file, so two
// threads of a process conflict as two processes do, and it ends with the
// process however that ends. Used by one thread; released when destroyed.
class RegKeyLock {
 public:
  enum Mode { Shared, Exclusive };

  RegKeyLock() = default;
  ~RegKeyLock();
  RegKeyLock(const RegKeyLock&) = delete;
  RegKeyLock& operator=(const RegKeyLock&) = delete;

  // Waits for the lock on the key whose folder is `dir`, making its lock file
  // when missing. An exclusive lock needs the lock file writable. A shared one
  // is skipped, answering success, where the lock file can neither be opened
  // nor made: such a reader changes nothing, and every change replaces whole
  // files, so it still reads a whole state.
  LONG Lock(const std::string& dir, Mode mode);

 private:
  int FFd = -1;
};
