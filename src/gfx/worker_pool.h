// A fixed set of threads that run one job at a time: run(job) calls job(0) on the caller
// and job(1) .. job(n - 1) on the workers, and returns when all have finished.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zt {

class WorkerPool {
 public:
  // Starts up to threads - 1 workers; fewer when the system refuses one.
  explicit WorkerPool(int threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int threads() const { return int(workers.size()) + 1; }
  void run(const std::function<void(int)>& job);

 private:
  void work(int index);

  std::vector<std::thread> workers;
  std::mutex lock;
  std::condition_variable wake, done;
  const std::function<void(int)>* current = nullptr;
  unsigned long generation = 0;
  int busy = 0;
  bool quit = false;
};

}  // namespace zt
