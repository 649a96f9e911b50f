/* Starts a program and reports how long its window named NAME took to put
 * its first pixels on the screen, and the program's peak resident memory.
 * The root window is painted a colour no program here uses; the first paint
 * is the moment the centre of the new window shows something else.
 * Usage: first_paint NAME CMD [ARGS...]; prints "<ms> <peak KiB>". */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static Window find_named(Display* d, Window w, const char* name) {
  char* n = NULL;
  if (XFetchName(d, w, &n) && n) {
    int same = strcmp(n, name) == 0;
    XFree(n);
    XWindowAttributes a;
    if (same && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) return w;
  }
  Window root, parent, *kids = NULL;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &kids, &count)) {
    for (unsigned int i = 0; i < count && !found; ++i) found = find_named(d, kids[i], name);
    if (kids) XFree(kids);
  }
  return found;
}

/* Windows come and go while the tree is walked; such errors are expected. */
static int ignore_errors(Display* d, XErrorEvent* e) {
  (void)d;
  (void)e;
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: first_paint NAME CMD [ARGS...]\n");
    return 2;
  }
  Display* d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "first_paint: no display\n");
    return 2;
  }
  XSetErrorHandler(ignore_errors);
  Window root = DefaultRootWindow(d);
  const unsigned long marker = 0xFF00FF;
  XSetWindowBackground(d, root, marker);
  XClearWindow(d, root);
  XSync(d, False);

  const double t0 = now_ms();
  pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  double painted = -1;
  Window w = 0;
  while (now_ms() - t0 < 20000) {
    if (!w) w = find_named(d, root, argv[1]);
    if (w) {
      XWindowAttributes a;
      Window child;
      int x, y;
      if (XGetWindowAttributes(d, w, &a) &&
          XTranslateCoordinates(d, w, root, a.width / 2, a.height / 2, &x, &y, &child)) {
        XImage* img = XGetImage(d, root, x, y, 1, 1, AllPlanes, ZPixmap);
        if (img) {
          unsigned long p = XGetPixel(img, 0, 0) & 0xFFFFFF;
          XDestroyImage(img);
          if (p != marker) {
            painted = now_ms() - t0;
            break;
          }
        }
      }
    }
    usleep(500);
  }
  usleep(1000 * 1000);  /* let it settle before measuring what it holds */
  kill(pid, SIGTERM);
  int status;
  struct rusage ru;
  wait4(pid, &status, 0, &ru);
  printf("%.0f %ld\n", painted, ru.ru_maxrss);
  XCloseDisplay(d);
  return painted < 0;
}
