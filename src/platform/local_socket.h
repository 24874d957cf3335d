#pragma once
// Unix-domain stream sockets for the messages between two instances of the program: a listening
// socket only its owner can reach, and a client that connects and sends within a time limit.
// Plain POSIX, so that the desktop program needs no network library before its first window.
#include <string>
#include <string_view>

namespace nummora {

// A file descriptor closed when the object goes.
class LocalSocket {
 public:
  LocalSocket() = default;
  explicit LocalSocket(int fd) : fd_(fd) {}
  LocalSocket(LocalSocket&& other) noexcept : fd_(other.Release()) {}
  LocalSocket& operator=(LocalSocket&& other) noexcept;
  LocalSocket(const LocalSocket&) = delete;
  LocalSocket& operator=(const LocalSocket&) = delete;
  ~LocalSocket();

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  int Release();
  void Close();

 private:
  int fd_ = -1;
};

// Connects to the socket at `path`, waiting at most `timeoutMs` while its queue of waiting
// connections is full. Not open when nobody listens there (or the path is too long).
LocalSocket ConnectLocalSocket(const std::string& path, int timeoutMs);

// Sends all of `bytes`, waiting at most `timeoutMs` for room. False when the peer went or the
// time ran out.
bool SendLocalSocket(const LocalSocket& socket, std::string_view bytes, int timeoutMs);

// Listens at `path` with access for the owner only, non-blocking. A file already at the path is
// left alone: not open then (with errno EADDRINUSE).
LocalSocket ListenLocalSocket(const std::string& path);

// Accepts one waiting connection, non-blocking; not open when none waits.
LocalSocket AcceptLocalSocket(const LocalSocket& listener);

// Reads what has arrived, at most `size` bytes: the count, 0 when the peer closed its end, and
// -1 when nothing waits or the connection broke (errno tells which).
long ReadLocalSocket(const LocalSocket& socket, char* buffer, unsigned long size);

}  // namespace nummora
