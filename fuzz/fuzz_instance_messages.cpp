// Fuzz target for the reader of messages between instances (bytes from the local socket):
// the input is fed whole and again in small pieces; both must give the same messages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/instance_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  nummora::InstanceMessageReader whole;
  whole.Feed(bytes, size);
  nummora::InstanceMessageReader pieces;
  for (size_t at = 0; at < size; at += 3) pieces.Feed(bytes + at, size - at < 3 ? size - at : 3);
  std::vector<int> a, b;
  int n = 0;
  while (whole.Next(n)) a.push_back(n);
  while (pieces.Next(n)) b.push_back(n);
  if (a != b || whole.Broken() != pieces.Broken()) std::abort();
  for (int number : a)
    if (number < 0) std::abort();
  return 0;
}
