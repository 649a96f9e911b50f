// One thread that decodes pictures away from the window. Only the newest
// request matters: one still waiting is replaced by the next, and the one
// running finishes on its own.
#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vok::preview {

class DecodeWorker {
 public:
  using Job = std::function<void()>;

  DecodeWorker() = default;
  // Drops the waiting job and waits for the running one.
  ~DecodeWorker();
  DecodeWorker(const DecodeWorker&) = delete;
  DecodeWorker& operator=(const DecodeWorker&) = delete;

  // Runs job on the worker's thread (started at the first post), after the
  // running one; a job still waiting is dropped.
  void Post(Job job);
  // Drops the job still waiting, if any.
  void DropPending();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  Job pending_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vok::preview
