// Running deep work on a stack of a known size. The main thread's stack is whatever the
// system gives (8 MB by default, and sanitizer builds use several times more of it per
// call), so work whose recursion is bounded but deep runs on a thread of its own whose
// stack is sized for that bound.
#pragma once

#include <cstddef>
#include <functional>

namespace zt {

// Runs `work` on a new thread with a stack of `bytes` and waits for it; runs it on the
// calling thread when no such thread can be made. An exception `work` throws is thrown
// again here.
void runWithStack(size_t bytes, const std::function<void()>& work);

}  // namespace zt
