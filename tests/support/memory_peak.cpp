#include "support/memory_peak.h"

#include <fstream>
#include <string>

namespace zt::test {

namespace {

// A figure of /proc/self/status in kilobytes; -1 when it is missing.
int64_t statusKb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with(key + ":")) return std::stoll(line.substr(key.size() + 1));
  return -1;
}

bool restartPeak() { return bool(std::ofstream("/proc/self/clear_refs") << "5"); }

}  // namespace

bool peakMemoryMeasurable() { return statusKb("VmHWM") >= 0 && restartPeak(); }

int64_t peakRiseKb(const std::function<void()>& work) {
  restartPeak();
  const int64_t before = statusKb("VmHWM");
  work();
  return statusKb("VmHWM") - before;
}

}  // namespace zt::test
