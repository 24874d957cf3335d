#pragma once
// How many worker threads exist: created and not yet deleted, running or not. A worker whose
// owner has gone frees itself through the event loop when its run ends, so a process that stops
// running the event loop can end with workers still alive; a test harness waits for this count
// to reach zero first, so that a leak checker reports only memory that was really lost.
namespace nummora {

class LiveWorker {
 public:
  LiveWorker();
  ~LiveWorker();
  LiveWorker(const LiveWorker&) = delete;
  LiveWorker& operator=(const LiveWorker&) = delete;

  static int Count();
};

}  // namespace nummora
