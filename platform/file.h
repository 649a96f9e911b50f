// Small file tools over the sys::ops() seam, so fault-injection tests reach
// every call. Interrupted calls (EINTR) are retried here and nowhere else.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace vok::file {

// Owns a descriptor and closes it once.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Closes now; false when close reports an error (a late write failure).
  bool Close();

 private:
  int fd_;
};

// read() and write() once, retried while interrupted.
ssize_t Read(int fd, void* buf, std::size_t n);
ssize_t Write(int fd, const void* buf, std::size_t n);

// Reads up to n bytes, retrying short reads; the count (short only at the
// end of the file), or -1 on error.
long ReadFull(int fd, void* buf, std::size_t n);

// Writes every byte; false on an error or a write that makes no progress.
bool WriteAll(int fd, std::string_view bytes);

// A file written out of sight and named only when it is whole, so a process
// killed on the way leaves nothing behind. Unnamed (O_TMPFILE) where the file
// system has it; elsewhere a hidden temp, removed on every failure path.
class PendingFile {
 public:
  // In folder dir, the folder of the name it will get; fd() < 0 (errno
  // set) when it cannot be made there.
  PendingFile(const std::string& dir, mode_t mode);
  ~PendingFile();  // discards what was not named
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  int fd() const { return fd_; }
  // A path that opens the contents for reading until this is destroyed.
  std::string ReadPath() const;
  // Syncs and names it path, never over an existing file (errno EEXIST).
  bool Link(const std::string& path);
  // Syncs and names it path, replacing the file there.
  bool Replace(const std::string& path);

 private:
  bool Close(const std::string& named);
  std::string dir_;
  std::string temp_;  // empty while the file is unnamed
  int fd_ = -1;
};

}  // namespace vok::file
