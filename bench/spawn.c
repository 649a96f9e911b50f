/* Runs one command in DIR with its output thrown away and prints its wall
 * milliseconds, CPU milliseconds (user + system), peak resident KB and exit
 * status. Being small itself, it
 * leaves nothing of its own in the child's peak.
 * Usage: spawn DIR COMMAND [ARG...] */
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  struct timespec t0, t1;
  clock_gettime(CLOCK_MONOTONIC, &t0);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    if (chdir(argv[1]) != 0 || null < 0) _exit(126);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  int status = 0;
  struct rusage ru;
  if (pid < 0 || wait4(pid, &status, 0, &ru) < 0) return 1;
  clock_gettime(CLOCK_MONOTONIC, &t1);
  const double ms = (t1.tv_sec - t0.tv_sec) * 1e3 + (t1.tv_nsec - t0.tv_nsec) / 1e6;
  const double cpu = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
                     (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
  printf("%.3f %.3f %ld %d\n", ms, cpu, ru.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128);
  return 0;
}
