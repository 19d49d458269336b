#include "platform/stack.h"

#include <pthread.h>

#include <exception>

namespace zt {

namespace {

struct Job {
  const std::function<void()>* work;
  std::exception_ptr failure;
};

void* runJob(void* arg) {
  Job& job = *static_cast<Job*>(arg);
  try {
    (*job.work)();
  } catch (...) {
    job.failure = std::current_exception();
  }
  return nullptr;
}

}  // namespace

void runWithStack(size_t bytes, const std::function<void()>& work) {
  Job job{&work, nullptr};
  pthread_attr_t attr;
  pthread_t thread;
  bool started = false;
  if (pthread_attr_init(&attr) == 0) {
    started = pthread_attr_setstacksize(&attr, bytes) == 0 && pthread_create(&thread, &attr, runJob, &job) == 0;
    pthread_attr_destroy(&attr);
  }
  if (!started) return work();
  pthread_join(thread, nullptr);
  if (job.failure) std::rethrow_exception(job.failure);
}

}  // namespace zt
