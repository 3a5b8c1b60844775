// Internal to platform/raster: a fixed set of threads that run numbered
// jobs (tiles) for the calling thread, which works along. Locks guard only
// the start and the end of a run; jobs are handed out by an atomic counter.
#ifndef MORVANE_PLATFORM_RASTER_WORKERS_H
#define MORVANE_PLATFORM_RASTER_WORKERS_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace raster {

class WorkerPool {
 public:
  // `threads` counts the caller: 1 starts no thread.
  explicit WorkerPool(int threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Calls job(context, i) once for each i in 0..count-1, spread over the
  // threads; returns when all calls have returned. Caller's thread only.
  void Run(int count, void (*job)(void*, int), void* context);

  // The threads that run jobs, the caller included.
  int threads() const { return static_cast<int>(threads_.size()) + 1; }

 private:
  void Loop();
  void Work();

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable start_, done_;
  uint64_t generation_ = 0;
  int busy_ = 0;
  bool stop_ = false;
  int count_ = 0;
  void (*job_)(void*, int) = nullptr;
  void* context_ = nullptr;
  std::atomic<int> next_{0};
};

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_WORKERS_H
