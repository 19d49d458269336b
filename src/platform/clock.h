// The clocks: the steady system clock, and its null twin, the virtual clock, which reads
// the interpreter's command count so that a run's times are the same on every machine.
#pragma once

#include <chrono>
#include <cstdint>

#include "core/clock.h"

namespace zt {

class SystemClock final : public Clock {
 public:
  SystemClock() : start(std::chrono::steady_clock::now()) {}
  bool isVirtual() const override { return false; }
  double preciseMilliseconds() const override;
  void advance(double) override {}
  void waitUntil(double targetMs) override;

 private:
  std::chrono::steady_clock::time_point start;
};

class VirtualClock final : public Clock {
 public:
  // Counts the commands at `executed`.
  explicit VirtualClock(const uint64_t& executed) : executedCommands(executed) {}
  bool isVirtual() const override { return true; }
  double preciseMilliseconds() const override { return virtualMs + double(executedCommands) * VirtualCommandMs; }
  void advance(double ms) override {
    if (ms > 0) virtualMs += ms;
  }
  void waitUntil(double targetMs) override;

 private:
  const uint64_t& executedCommands;
  double virtualMs = 0.0;
};

}  // namespace zt
