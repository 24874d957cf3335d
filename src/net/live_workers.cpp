#include "net/live_workers.h"

#include <atomic>

namespace nummora {

namespace {
std::atomic<int> live{0};
}

LiveWorker::LiveWorker() {
  ++live;
}

LiveWorker::~LiveWorker() {
  --live;
}

int LiveWorker::Count() {
  return live.load();
}

}  // namespace nummora
