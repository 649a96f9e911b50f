#include "platform/sys.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/file.h>
#include <unistd.h>

namespace vok::sys {
namespace {

int Open(const char* path, int flags, mode_t mode) { return ::open(path, flags | O_CLOEXEC, mode); }
int Stat(const char* path, struct stat* st) { return ::stat(path, st); }
int Lstat(const char* path, struct stat* st) { return ::lstat(path, st); }
int Fstat(int fd, struct stat* st) { return ::fstat(fd, st); }

int RenameNoReplace(const char* from, const char* to) {
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // File systems without RENAME_NOREPLACE: link() refuses an existing target too.
  if (::link(from, to) != 0) return -1;
  ::unlink(from);
  return 0;
}

const Ops kReal = {
    Open,      ::close,  ::read,   ::write,   ::fsync,   Stat,       Lstat,     ::readlink, ::rename,
    RenameNoReplace, ::unlink, ::mkdir, ::getcwd, ::chdir, ::opendir, ::readdir, ::closedir,
    ::lseek,   ::shmget, ::shmat, ::shmdt, ::shmctl, ::madvise,
    ::flock,   ::linkat, Fstat,    ::nanosleep,
};

}  // namespace

Ops& ops() {
  static Ops live = kReal;
  return live;
}

const Ops& realOps() { return kReal; }

}  // namespace vok::sys
