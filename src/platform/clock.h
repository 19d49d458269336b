// Millisecond clock: the steady system clock, or a virtual clock for reproducible runs.
// The virtual clock advances by a fixed cost per executed command (read from the
// interpreter's command count) plus whatever the host adds for frames and waits.
#pragma once

#include <chrono>
#include <cstdint>

namespace zt {

class Clock {
 public:
  static constexpr double VirtualCommandMs = 0.001;  // one microsecond per command
  static constexpr double VirtualFrameMs = 1.0;

  Clock();
  // Switches to virtual time, counting the commands at `executed`.
  void makeVirtual(const uint64_t* executed);
  bool isVirtual() const { return executedCommands != nullptr; }

  // Milliseconds since the clock started, as a wrapping 32-bit count.
  uint32_t milliseconds() const { return static_cast<uint32_t>(static_cast<uint64_t>(preciseMilliseconds())); }
  double preciseMilliseconds() const;
  // Virtual time: jump forward. Real time: nothing (real waits really wait).
  void advance(double ms);
  // Waits until the clock reads `targetMs` (a jump on the virtual clock).
  void waitUntil(double targetMs);

 private:
  std::chrono::steady_clock::time_point start;
  const uint64_t* executedCommands = nullptr;
  double virtualMs = 0.0;
};

}  // namespace zt
