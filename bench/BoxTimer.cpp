// box_timer: starts a program on an X display, times how long it takes to map
// its top-level window, dismisses that window with a real key press and times
// how long the program then takes to end, with its peak resident memory.
//
//   box_timer [options] -- PROGRAM [ARGUMENT...]
//     --title TEXT          the window must carry this title (otherwise fail)
//     --key NAME            the key that dismisses it (default Return)
//     --before-dismiss CMD  run CMD through /bin/sh once the window is mapped,
//                           with BOX_WINDOW set to its id (for screenshots)
//     --timeout SECONDS     for each wait (default 30)
//
// Prints one line: map_ms=... exit_ms=... total_ms=... maxrss_kb=...
// status=... retries=... title="...". Exits 0 when the window appeared with
// the wanted title, was dismissed and the program exited with status 0.
//
// No window manager is assumed: a toolkit then maps its top-level window as a
// child of the root window, which SubstructureNotify on the root reports.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

[[noreturn]] void Fail(const char* message) {
  std::fprintf(stderr, "box_timer: %s\n", message);
  std::exit(2);
}

struct Child {
  pid_t pid = -1;
  int pidfd = -1;  // -1 where pidfds are not available: then it is polled
  bool ended = false;
  int status = 0;
  rusage usage{};
};

bool Reap(Child& child, bool block) {
  if (child.ended) return true;
  const pid_t got = wait4(child.pid, &child.status, block ? 0 : WNOHANG, &child.usage);
  if (got == child.pid) child.ended = true;
  return child.ended;
}

Child Start(char** argv) {
  // A close-on-exec pipe tells a failed exec from a program that ran.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) Fail("pipe failed");
  Child child;
  child.pid = fork();
  if (child.pid < 0) Fail("fork failed");
  if (child.pid == 0) {
    // A group of its own, so that a timeout also ends what it started.
    setpgid(0, 0);
    close(report[0]);
    execvp(argv[0], argv);
    const int error = errno;
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }
  setpgid(child.pid, child.pid);  // whichever of the two comes first
  close(report[1]);
  int error = 0;
  if (read(report[0], &error, sizeof error) == sizeof error) {
    std::fprintf(stderr, "box_timer: cannot run %s: %s\n", argv[0], std::strerror(error));
    std::exit(2);
  }
  close(report[0]);
  child.pidfd = static_cast<int>(syscall(SYS_pidfd_open, child.pid, 0));
  return child;
}

// Waits until the display has an event or the child ends; false on timeout.
bool WaitForEventOrExit(Display* display, Child& child, double deadline) {
  while (XPending(display) == 0) {
    if (Reap(child, false)) return true;
    const double left = deadline - Now();
    if (left <= 0) return false;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {child.pidfd, POLLIN, 0}};
    const int count = child.pidfd >= 0 ? 2 : 1;
    // Without a pidfd the child's end is noticed within a millisecond.
    const int wait = child.pidfd >= 0 ? static_cast<int>(left) + 1 : 1;
    if (poll(fds, count, wait) < 0 && errno != EINTR) Fail("poll failed");
  }
  return true;
}

bool WaitForExit(Child& child, double deadline) {
  while (!Reap(child, false)) {
    const double left = deadline - Now();
    if (left <= 0) return false;
    if (child.pidfd >= 0) {
      pollfd fd{child.pidfd, POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left) + 1);
    } else {
      usleep(200);
    }
  }
  return true;
}

long Cardinal(Display* display, Window window, const char* name) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  long value = -1;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
      data != nullptr && format == 32 && count == 1) {
    value = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data != nullptr) XFree(data);
  return value;
}

std::string Title(Display* display, Window window) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024,
                         False, XInternAtom(display, "UTF8_STRING", False), &type, &format,
                         &count, &after, &data) == Success &&
      data != nullptr && format == 8) {
    title.assign(reinterpret_cast<char*>(data), count);
  }
  if (data != nullptr) XFree(data);
  if (title.empty()) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) {
      title = name;
      XFree(name);
    }
  }
  return title;
}

// A mapped child of the root is the program's when it names the program's
// process or carries the wanted title.
bool IsTheirs(Display* display, Window window, pid_t pid, const std::string& wantedTitle) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || attributes.override_redirect) {
    return false;
  }
  if (Cardinal(display, window, "_NET_WM_PID") == pid) return true;
  // A program started through a wrapper (strace, valgrind) is not the child.
  return !wantedTitle.empty() && Title(display, window) == wantedTitle;
}

int OnError(Display*, XErrorEvent*) {
  // A window that went away between its MapNotify and our questions.
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string wantedTitle;
  std::string keyName = "Return";
  std::string beforeDismiss;
  double timeoutMs = 30000;
  int first = 1;
  for (; first < argc; ++first) {
    const std::string option = argv[first];
    if (option == "--") {
      ++first;
      break;
    }
    if (first + 1 >= argc) Fail("an option lacks its value");
    if (option == "--title") {
      wantedTitle = argv[++first];
    } else if (option == "--key") {
      keyName = argv[++first];
    } else if (option == "--before-dismiss") {
      beforeDismiss = argv[++first];
    } else if (option == "--timeout") {
      timeoutMs = std::atof(argv[++first]) * 1000;
    } else {
      Fail("unknown option; usage: box_timer [options] -- PROGRAM [ARGUMENT...]");
    }
  }
  if (first >= argc) Fail("no program given");

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) Fail("cannot open the display");
  int eventBase, errorBase, major, minor;
  if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
    Fail("the display has no XTest extension");
  }
  XSetErrorHandler(OnError);
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);
  const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(keyName.c_str()));
  if (key == 0) Fail("unknown key name");

  std::signal(SIGPIPE, SIG_IGN);
  const double started = Now();
  Child child = Start(argv + first);

  // exec -> map
  Window window = 0;
  double mapped = 0;
  while (window == 0) {
    if (!WaitForEventOrExit(display, child, started + timeoutMs)) {
      kill(-child.pid, SIGKILL);
      Reap(child, true);
      Fail("timed out waiting for the window");
    }
    if (child.ended && XPending(display) == 0) {
      std::fprintf(stderr, "box_timer: the program ended (status %d) before mapping a window\n",
                   child.status);
      return 1;
    }
    while (window == 0 && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && event.xmap.event == root &&
          IsTheirs(display, event.xmap.window, child.pid, wantedTitle)) {
        mapped = Now();
        window = event.xmap.window;
      }
    }
  }
  const std::string title = Title(display, window);

  if (!beforeDismiss.empty()) {
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", window);
    setenv("BOX_WINDOW", id, 1);
    if (std::system(beforeDismiss.c_str()) != 0) {
      std::fprintf(stderr, "box_timer: the command before dismissal failed\n");
    }
  }

  // Toolkits ignore sent key events, so the key goes through XTest, to the
  // window holding the input focus. Focus is only given to a viewable window,
  // which a mapped child of the root is. A press that arrives before the
  // program is ready for it is repeated once a second.
  XSelectInput(display, window, FocusChangeMask | StructureNotifyMask);
  int retries = -1;
  double pressed = 0;
  while (!child.ended) {
    ++retries;
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    pressed = Now();
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    XFlush(display);
    if (WaitForExit(child, pressed + 1000)) break;
    if (Now() - started > timeoutMs * 2) {
      kill(-child.pid, SIGKILL);
      Reap(child, true);
      Fail("the window did not go away after the key press");
    }
  }
  const double ended = Now();

  const int status = WIFEXITED(child.status) ? WEXITSTATUS(child.status)
                                             : 128 + WTERMSIG(child.status);
  std::printf("map_ms=%.2f exit_ms=%.2f total_ms=%.2f maxrss_kb=%ld status=%d retries=%d "
              "title=\"%s\"\n",
              mapped - started, ended - pressed, ended - started, child.usage.ru_maxrss, status,
              retries, title.c_str());
  XCloseDisplay(display);
  if (!wantedTitle.empty() && title != wantedTitle) {
    std::fprintf(stderr, "box_timer: the window is titled \"%s\", not \"%s\"\n", title.c_str(),
                 wantedTitle.c_str());
    return 1;
  }
  return status == 0 ? 0 : 1;
}
