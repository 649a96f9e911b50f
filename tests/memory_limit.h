// Runs a check in a child process whose address space is capped at what the
// process already uses plus a margin, so that memory that follows a file's
// size, rather than what it holds, shows as a failed allocation.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vok::testing {

// Sanitizers reserve terabytes of address space: no cap works under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kCanCapMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kCanCapMemory = false;
#else
inline constexpr bool kCanCapMemory = true;
#endif
#else
inline constexpr bool kCanCapMemory = true;
#endif

// "passed", "failed", "threw", or how the child ended otherwise.
inline std::string RunWithin(std::size_t marginBytes, const std::function<bool()>& check) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    const rlim_t limit = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + marginBytes;
    const struct rlimit rl = {limit, limit};
    if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(3);
    // Nothing may escape into the test framework's copy in this process.
    int code = 4;
    try {
      code = check() ? 0 : 1;
    } catch (...) {
    }
    _exit(code);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return "lost the child";
  if (WIFSIGNALED(status)) return "ended by signal " + std::to_string(WTERMSIG(status));
  switch (WEXITSTATUS(status)) {
    case 0: return "passed";
    case 1: return "failed";
    case 4: return "threw";
    default: return "could not cap memory";
  }
}

}  // namespace vok::testing
