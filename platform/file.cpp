#include "platform/file.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

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

namespace {

std::string TempName(const std::string& dir) {
  static std::atomic<unsigned> counter{0};
  return dir + "/.vok32-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

PendingFile::PendingFile(const std::string& dir, mode_t mode) : dir_(dir.empty() ? "." : dir) {
  auto& os = sys::ops();
  fd_ = os.open(dir_.c_str(), O_TMPFILE | O_WRONLY, mode);
  // EISDIR: a kernel without O_TMPFILE; EOPNOTSUPP: a file system without it.
  if (fd_ >= 0 || (errno != EISDIR && errno != EOPNOTSUPP && errno != EINVAL)) return;
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = TempName(dir_);
    fd_ = os.open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) temp_.clear();
}

PendingFile::~PendingFile() {
  if (fd_ >= 0) sys::ops().close(fd_);
  if (!temp_.empty()) sys::ops().unlink(temp_.c_str());
}

std::string PendingFile::ReadPath() const { return temp_.empty() ? FdPath(fd_) : temp_; }

// A late write error shows at close: the name just given is taken back.
bool PendingFile::Close(const std::string& named) {
  const int fd = fd_;
  fd_ = -1;
  if (sys::ops().close(fd) == 0) return true;
  sys::ops().unlink(named.c_str());
  return false;
}

bool PendingFile::Link(const std::string& path) {
  auto& os = sys::ops();
  if (fd_ < 0 || os.fsync(fd_) != 0) return false;
  if (temp_.empty()) {
    if (os.linkat(AT_FDCWD, FdPath(fd_).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
      return false;
  } else {
    if (os.linkat(AT_FDCWD, temp_.c_str(), AT_FDCWD, path.c_str(), 0) != 0) return false;
    os.unlink(temp_.c_str());
    temp_.clear();
  }
  return Close(path);
}

bool PendingFile::Replace(const std::string& path) {
  auto& os = sys::ops();
  if (fd_ < 0 || os.fsync(fd_) != 0) return false;
  // rename() is what replaces, and it needs a name: the unnamed file gets
  // one just for that (it was made in the target's folder).
  if (temp_.empty()) {
    for (int attempt = 0; attempt < 100 && temp_.empty(); ++attempt) {
      std::string name = TempName(dir_);
      if (os.linkat(AT_FDCWD, FdPath(fd_).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        temp_ = std::move(name);
      else if (errno != EEXIST)
        return false;
    }
    if (temp_.empty()) return false;
  }
  if (os.rename(temp_.c_str(), path.c_str()) != 0) return false;
  temp_.clear();
  // The data was synced; a late close error is still reported.
  const int fd = fd_;
  fd_ = -1;
  return os.close(fd) == 0;
}

}  // namespace vok::file
