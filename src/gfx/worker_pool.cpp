#include "gfx/worker_pool.h"

#include <system_error>

namespace zt {

WorkerPool::WorkerPool(int threads) {
  for (int i = 1; i < threads; ++i) {
    try {
      workers.emplace_back([this, i] { work(i); });
    } catch (const std::system_error&) {
      break;  // draw with the threads we have
    }
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> g(lock);
    quit = true;
  }
  wake.notify_all();
  for (std::thread& t : workers) t.join();
}

void WorkerPool::run(const std::function<void(int)>& job) {
  if (workers.empty()) {
    job(0);
    return;
  }
  {
    std::lock_guard<std::mutex> g(lock);
    current = &job;
    busy = int(workers.size());
    ++generation;
  }
  wake.notify_all();
  job(0);
  std::unique_lock<std::mutex> g(lock);
  done.wait(g, [this] { return busy == 0; });
  current = nullptr;
}

void WorkerPool::work(int index) {
  unsigned long seen = 0;
  for (;;) {
    const std::function<void(int)>* job;
    {
      std::unique_lock<std::mutex> g(lock);
      wake.wait(g, [&] { return quit || generation != seen; });
      if (quit) return;
      seen = generation;
      job = current;
    }
    (*job)(index);
    std::lock_guard<std::mutex> g(lock);
    if (--busy == 0) done.notify_one();
  }
}

}  // namespace zt
