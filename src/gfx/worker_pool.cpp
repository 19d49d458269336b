#include "gfx/worker_pool.h"

#include <system_error>

namespace zt {

WorkerPool::WorkerPool(int threads) {
  for (int i = 1; i < threads; ++i) {
    try {
      workers.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      break;  // work with the threads we have
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

void WorkerPool::takeItems(const std::function<void(int)>& job) {
  for (int i = next++; i < count; i = next++) {
    job(i);
    ++done;
  }
}

void WorkerPool::run(int items, const std::function<void(int)>& job) {
  if (workers.empty() || items <= 1) {
    for (int i = 0; i < items; ++i) job(i);
    return;
  }
  {
    std::lock_guard<std::mutex> g(lock);
    current = &job;
    count = items;
    next = 0;
    done = 0;
    ++generation;
  }
  wake.notify_all();
  takeItems(job);
  std::unique_lock<std::mutex> g(lock);
  finished.wait(g, [&] { return done == items && active == 0; });
  current = nullptr;  // a worker waking from now on finds nothing to do
}

void WorkerPool::work() {
  unsigned long seen = 0;
  std::unique_lock<std::mutex> g(lock);
  for (;;) {
    wake.wait(g, [&] { return quit || generation != seen; });
    if (quit) return;
    seen = generation;
    if (!current) continue;
    const std::function<void(int)>* job = current;
    ++active;
    g.unlock();
    takeItems(*job);
    g.lock();
    --active;
    finished.notify_one();
  }
}

}  // namespace zt
