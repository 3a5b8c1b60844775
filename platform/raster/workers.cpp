// The worker pool.
#include "raster/workers.h"

namespace raster {

WorkerPool::WorkerPool(int threads) {
  for (int i = 1; i < threads; ++i) threads_.emplace_back([this] { Loop(); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  start_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void WorkerPool::Run(int count, void (*job)(void*, int), void* context) {
  if (count <= 0) return;
  if (threads_.empty() || count == 1) {
    for (int i = 0; i < count; ++i) job(context, i);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    count_ = count;
    job_ = job;
    context_ = context;
    next_.store(0, std::memory_order_relaxed);
    busy_ = static_cast<int>(threads_.size());
    ++generation_;
  }
  start_.notify_all();
  Work();
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return busy_ == 0; });
}

void WorkerPool::Work() {
  for (;;) {
    const int i = next_.fetch_add(1, std::memory_order_relaxed);
    if (i >= count_) return;
    job_(context_, i);
  }
}

void WorkerPool::Loop() {
  uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      start_.wait(lock, [&] { return stop_ || generation_ != seen; });
      if (stop_) return;
      seen = generation_;
    }
    Work();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (--busy_ == 0) done_.notify_one();
    }
  }
}

}  // namespace raster
