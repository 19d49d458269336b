#include "platform/clock.h"

#include <thread>

namespace zt {

Clock::Clock() : start(std::chrono::steady_clock::now()) {}

void Clock::makeVirtual(const uint64_t* executed) {
  executedCommands = executed;
  virtualMs = 0.0;
}

double Clock::preciseMilliseconds() const {
  if (executedCommands) return virtualMs + double(*executedCommands) * VirtualCommandMs;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void Clock::advance(double ms) {
  if (executedCommands && ms > 0) virtualMs += ms;
}

void Clock::waitUntil(double targetMs) {
  double now = preciseMilliseconds();
  if (now >= targetMs) return;
  if (executedCommands) {
    virtualMs += targetMs - now;
    return;
  }
  std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(targetMs - now));
}

}  // namespace zt
