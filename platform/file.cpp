#include "platform/file.h"

#include <cerrno>

#include "platform/sys.h"

namespace vok::file {

bool Fd::Close() {
  if (fd_ < 0) return true;
  const bool ok = sys::ops().close(fd_) == 0;
  fd_ = -1;
  return ok;
}

ssize_t Read(int fd, void* buf, std::size_t n) {
  for (;;) {
    const ssize_t r = sys::ops().read(fd, buf, n);
    if (r >= 0 || errno != EINTR) return r;
  }
}

ssize_t Write(int fd, const void* buf, std::size_t n) {
  for (;;) {
    const ssize_t w = sys::ops().write(fd, buf, n);
    if (w >= 0 || errno != EINTR) return w;
  }
}

long ReadFull(int fd, void* buf, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = Read(fd, static_cast<char*>(buf) + done, n - done);
    if (r < 0) return -1;
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return static_cast<long>(done);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t w = Write(fd, bytes.data(), bytes.size());
    if (w <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(w));
  }
  return true;
}

}  // namespace vok::file
