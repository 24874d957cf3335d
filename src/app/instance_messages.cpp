#include "app/instance_messages.h"

namespace nummora {

namespace {
constexpr std::size_t kMaxDigits = 10;
}

std::string EncodeInstanceMessage(int number) {
  const std::string digits = std::to_string(number < 0 ? 0 : number);
  std::string frame;
  const uint32_t n = static_cast<uint32_t>(digits.size());
  frame.push_back(static_cast<char>((n >> 24) & 0xFF));
  frame.push_back(static_cast<char>((n >> 16) & 0xFF));
  frame.push_back(static_cast<char>((n >> 8) & 0xFF));
  frame.push_back(static_cast<char>(n & 0xFF));
  return frame + digits;
}

void InstanceMessageReader::Feed(const char* data, std::size_t size) {
  if (broken_) return;
  buffer_.append(data, size);
  while (buffer_.size() >= 4) {
    const auto byte = [this](std::size_t i) {
      return static_cast<uint32_t>(static_cast<unsigned char>(buffer_[i]));
    };
    const uint32_t length = (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
    if (length == 0 || length > kMaxDigits) {
      broken_ = true;
      buffer_.clear();
      return;
    }
    if (buffer_.size() < 4 + length) return;
    int64_t value = 0;
    for (std::size_t i = 4; i < 4 + length; ++i) {
      const char c = buffer_[i];
      if (c < '0' || c > '9') {
        broken_ = true;
        buffer_.clear();
        return;
      }
      value = value * 10 + (c - '0');
    }
    buffer_.erase(0, 4 + length);
    if (value <= INT32_MAX) ready_.push_back(static_cast<int>(value));
  }
}

bool InstanceMessageReader::Next(int& number) {
  if (ready_.empty()) return false;
  number = ready_.front();
  ready_.pop_front();
  return true;
}

}  // namespace nummora
