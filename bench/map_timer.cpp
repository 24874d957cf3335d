// Start-up timer for bench/startup.sh: starts a program and prints the milliseconds from its
// start until the X server maps a top-level window with the given title, then ends the program
// and prints, on a second line, the processor time (user and system, milliseconds) it had used.
//   map_timer TITLE PROGRAM [ARGUMENTS...]
// The map is seen as it happens: the root window's MapNotify events are selected before the
// program starts, so no polling interval is added to the figure. Needs a display without a
// window manager (xvfb-run), where top-level windows are children of the root window.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kGiveUpAfter = std::chrono::seconds(20);

std::string TextProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string text;
  if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 8)
    text.assign(reinterpret_cast<const char*>(data), count);
  if (data != nullptr) XFree(data);
  return text;
}

bool HasTitle(Display* display, Window window, const std::string& title) {
  return TextProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False)) == title ||
         TextProperty(display, window, XA_WM_NAME) == title;
}

// Waits for the next X event up to the deadline; false on time-out.
bool NextEvent(Display* display, XEvent& event, Clock::time_point deadline) {
  while (XPending(display) == 0) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(ConnectionNumber(display), &fds);
    timeval tv{static_cast<time_t>(left.count() / 1000000), static_cast<suseconds_t>(left.count() % 1000000)};
    select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &tv);
  }
  XNextEvent(display, &event);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: map_timer TITLE PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  const std::string title = argv[1];
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "map_timer: no X display\n");
    return 2;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  const auto start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[2], argv + 2);
    std::perror("map_timer: exec");
    _exit(127);
  }
  int result = 1;
  double mappedMs = 0;
  for (XEvent event; NextEvent(display, event, start + kGiveUpAfter);) {
    if (event.type != MapNotify || !HasTitle(display, event.xmap.window, title)) continue;
    mappedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    result = 0;
    break;
  }
  if (result != 0) std::fprintf(stderr, "map_timer: no window titled \"%s\" was mapped\n", title.c_str());
  kill(child, SIGKILL);
  rusage usage{};
  wait4(child, nullptr, 0, &usage);
  const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  if (result == 0) std::printf("%.1f\n%.1f\n", mappedMs, ms(usage.ru_utime) + ms(usage.ru_stime));
  XCloseDisplay(display);
  return result;
}
