// What the POSIX Files port's sources share: errno translated once, an owned descriptor, and
// new files made beside the one they are to replace.
#pragma once

#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/os_error.h"

namespace plumo {

// errno in the Win32 numbering the core tests for, where one exists.
OsError PosixError(const char* call, int err);

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Gives the descriptor up to the caller.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now, reporting the error a late write can leave.
  int Close() {
    const int rc = close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path);
bool WriteAll(int fd, std::string_view data);
// Cuts a file back to its old length after a failed write; the write's error is the one told.
void CutBack(int fd, off_t length);
// A new file of our own beside path (O_EXCL), open for writing; -1 with errno on failure.
int CreateBeside(const std::string& path, std::string* temp);

}  // namespace plumo
