#include "platform/local_socket.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace nummora {
namespace {

using Clock = std::chrono::steady_clock;

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

int NewSocket() {
  return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

// Milliseconds left until `deadline`, at least 0.
int Left(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until `deadline`; false when the time ran out or poll failed.
bool Await(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, Left(deadline));
    if (r > 0) return true;
    if (r == 0 || errno != EINTR) return false;
  }
}

}  // namespace

LocalSocket& LocalSocket::operator=(LocalSocket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
  }
  return *this;
}

LocalSocket::~LocalSocket() {
  Close();
}

int LocalSocket::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void LocalSocket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

LocalSocket ConnectLocalSocket(const std::string& path, int timeoutMs) {
  sockaddr_un address;
  if (!MakeAddress(path, address)) return {};
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    LocalSocket socket(NewSocket());
    if (!socket.IsOpen()) return {};
    if (::connect(socket.Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
      return socket;
    // A full queue of waiting connections: the listener is busy, try again shortly.
    if ((errno != EAGAIN && errno != EINTR) || Left(deadline) == 0) return {};
    ::usleep(5000);
  }
}

bool SendLocalSocket(const LocalSocket& socket, std::string_view bytes, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!bytes.empty()) {
    const ssize_t sent = ::send(socket.Fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && errno == EAGAIN) {
      if (!Await(socket.Fd(), POLLOUT, deadline)) return false;
    } else {
      return false;
    }
  }
  return true;
}

LocalSocket ListenLocalSocket(const std::string& path) {
  sockaddr_un address;
  if (!MakeAddress(path, address)) {
    errno = ENAMETOOLONG;
    return {};
  }
  LocalSocket socket(NewSocket());
  if (!socket.IsOpen()) return {};
  // Owner-only from the moment the file exists: nobody else may ever connect.
  const mode_t old = ::umask(077);
  const int bound = ::bind(socket.Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  const int saved = errno;
  ::umask(old);
  if (bound != 0) {
    errno = saved;
    return {};
  }
  if (::listen(socket.Fd(), 16) != 0) {
    const int failed = errno;
    ::unlink(path.c_str());
    errno = failed;
    return {};
  }
  return socket;
}

LocalSocket AcceptLocalSocket(const LocalSocket& listener) {
  for (;;) {
    const int fd = ::accept4(listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0 || errno != EINTR) return LocalSocket(fd);
  }
}

long ReadLocalSocket(const LocalSocket& socket, char* buffer, unsigned long size) {
  for (;;) {
    const ssize_t got = ::recv(socket.Fd(), buffer, size, 0);
    if (got >= 0 || errno != EINTR) return static_cast<long>(got);
  }
}

}  // namespace nummora
