// The worker pool behind the 3D device: every item of a job runs exactly once, whatever
// the thread count, and run returns only when all have finished.
#include "gfx/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace zt {
namespace {

TEST(WorkerPool, RunsEveryItemOnceAndReturnsWhenAllAreDone) {
  for (int threads : {1, 2, 4}) {
    WorkerPool pool(threads);
    EXPECT_EQ(pool.threads(), threads);
    for (int items : {0, 1, 2, 3, 100}) {
      for (int round = 0; round < 20; ++round) {
        std::vector<std::atomic<int>> runs(size_t(items) + 1);
        pool.run(items, [&](int i) { ++runs[size_t(i)]; });
        for (int i = 0; i < items; ++i) ASSERT_EQ(runs[size_t(i)].load(), 1) << threads << " " << items << " " << i;
        ASSERT_EQ(runs[size_t(items)].load(), 0);
      }
    }
  }
}

}  // namespace
}  // namespace zt
