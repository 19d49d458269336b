// The millisecond clock the interpreter's slices, the frame pacing and TIMER read. The
// platform gives two: the steady system clock, and a virtual clock for reproducible runs
// that advances by a fixed cost per executed command plus what the host adds for frames
// and waits.
#pragma once

#include <cstdint>

namespace zt {

class Clock {
 public:
  static constexpr double VirtualCommandMs = 0.001;  // one microsecond per command
  static constexpr double VirtualFrameMs = 1.0;

  virtual ~Clock() = default;
  virtual bool isVirtual() const = 0;
  // Milliseconds since the clock started.
  virtual double preciseMilliseconds() const = 0;
  // Virtual time: jump forward. Real time: nothing (real waits really wait).
  virtual void advance(double ms) = 0;
  // Waits until the clock reads `targetMs` (a jump on the virtual clock).
  virtual void waitUntil(double targetMs) = 0;

  // As a wrapping 32-bit count.
  uint32_t milliseconds() const { return static_cast<uint32_t>(static_cast<uint64_t>(preciseMilliseconds())); }
};

}  // namespace zt
