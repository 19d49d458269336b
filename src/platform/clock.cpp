#include "platform/clock.h"

#include <thread>

namespace zt {

double SystemClock::preciseMilliseconds() const {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void SystemClock::waitUntil(double targetMs) {
  const double now = preciseMilliseconds();
  if (now < targetMs) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(targetMs - now));
}

void VirtualClock::waitUntil(double targetMs) {
  const double now = preciseMilliseconds();
  if (now < targetMs) virtualMs += targetMs - now;
}

}  // namespace zt
