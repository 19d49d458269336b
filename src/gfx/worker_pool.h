// A fixed set of threads sharing out numbered items of one job: run(items, job) calls
// job(i) once for every i below `items`, on the caller and on whichever workers are awake,
// and returns when all are done. The caller never waits for a worker that has not started:
// if none wakes in time, the caller does every item itself.
#pragma once

#include <atomic>
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
  void run(int items, const std::function<void(int)>& job);

 private:
  void work();
  void takeItems(const std::function<void(int)>& job);

  std::vector<std::thread> workers;
  std::mutex lock;
  std::condition_variable wake, finished;
  const std::function<void(int)>* current = nullptr;  // guarded by lock
  unsigned long generation = 0;                       // guarded by lock
  int active = 0;                                     // workers inside the job; guarded by lock
  int count = 0;
  std::atomic<int> next{0}, done{0};
  bool quit = false;
};

}  // namespace zt
