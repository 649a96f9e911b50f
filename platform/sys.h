// Every call the program makes to the operating system goes through this
// table, so a test can replace one call (make a write fail, a rename refuse)
// and put it back afterwards.
#pragma once
#include <cstddef>
#include <dirent.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

namespace vok::sys {

struct Ops {
  int (*open)(const char* path, int flags, mode_t mode);
  int (*close)(int fd);
  ssize_t (*read)(int fd, void* buf, size_t n);
  ssize_t (*write)(int fd, const void* buf, size_t n);
  int (*fsync)(int fd);
  int (*stat)(const char* path, struct stat* st);
  int (*lstat)(const char* path, struct stat* st);
  ssize_t (*readlink)(const char* path, char* buf, size_t size);
  int (*rename)(const char* from, const char* to);
  // Fails with EEXIST rather than replace an existing file.
  int (*renameNoReplace)(const char* from, const char* to);
  int (*unlink)(const char* path);
  int (*mkdir)(const char* path, mode_t mode);
  char* (*getcwd)(char* buf, size_t size);
  int (*chdir)(const char* path);
  DIR* (*opendir)(const char* path);
  struct dirent* (*readdir)(DIR* dir);
  int (*closedir)(DIR* dir);
  off_t (*lseek)(int fd, off_t offset, int whence);
  // System V shared memory, for handing a screen's worth of pixels to the X
  // server without sending them down the socket.
  int (*shmget)(key_t key, size_t size, int flags);
  void* (*shmat)(int id, const void* at, int flags);
  int (*shmdt)(const void* at);
  int (*shmctl)(int id, int command, struct shmid_ds* info);
  // Advice only (huge pages for a large buffer): a refusal changes nothing.
  int (*madvise)(void* at, size_t size, int advice);
  int (*flock)(int fd, int operation);
  int (*linkat)(int fromDir, const char* from, int toDir, const char* to, int flags);
  int (*fstat)(int fd, struct stat* st);
  int (*nanosleep)(const struct timespec* req, struct timespec* rem);
};

// The live table.
Ops& ops();
// The table as the program ships it.
const Ops& realOps();

// Restores the live table when it goes out of scope.
class ScopedOps {
 public:
  ScopedOps() : saved_(ops()) {}
  ~ScopedOps() { ops() = saved_; }
  ScopedOps(const ScopedOps&) = delete;
  ScopedOps& operator=(const ScopedOps&) = delete;

 private:
  Ops saved_;
};

}  // namespace vok::sys
