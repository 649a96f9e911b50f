#include "preview/decode_worker.h"

#include <malloc.h>

#include <utility>

namespace vok::preview {

DecodeWorker::~DecodeWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    pending_ = nullptr;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void DecodeWorker::Post(Job job) {
  {
    std::lock_guard lock(mutex_);
    pending_ = std::move(job);
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

void DecodeWorker::DropPending() {
  std::lock_guard lock(mutex_);
  pending_ = nullptr;
}

void DecodeWorker::Run() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || pending_; });
      if (stopping_) return;
      job = std::exchange(pending_, nullptr);
    }
    job();
    // A decoded member is megabytes freed at once; without this the
    // allocator keeps them for the window's whole life.
    malloc_trim(0);
  }
}

}  // namespace vok::preview
