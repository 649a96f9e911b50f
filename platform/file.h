// Small file tools over the sys::ops() seam, so fault-injection tests reach
// every call. Interrupted calls (EINTR) are retried here and nowhere else.
#pragma once
#include <cstddef>
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

}  // namespace vok::file
