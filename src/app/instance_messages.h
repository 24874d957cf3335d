#pragma once
// Messages between instances over the local socket: each message is a command number sent as
// a 4-byte big-endian length followed by that many bytes of decimal digits.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace nummora {

// Come to the front: show the main window (also out of the tray).
inline constexpr int kMessageComeToFront = 10101;
// A link waits in the hand-off value "URL".
inline constexpr int kMessageLinkWaits = 10100;

std::string EncodeInstanceMessage(int number);

// Reads messages from a byte stream that arrives in pieces. A frame longer than 10 digits or
// holding anything but digits breaks the stream: the reader stops and the connection should
// be dropped.
class InstanceMessageReader {
 public:
  void Feed(const char* data, std::size_t size);
  // The next complete message, in arrival order.
  bool Next(int& number);
  bool Broken() const { return broken_; }

 private:
  std::string buffer_;
  std::deque<int> ready_;
  bool broken_ = false;
};

}  // namespace nummora
