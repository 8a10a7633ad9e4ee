#pragma once
// Clock, sleep and the bounds of the camera's status-page chain used by one firmware
// update. The defaults are the real clock and a chain of at most 30 minutes or 1000 status
// pages; tests replace the clock and the sleep so that refresh delays cost no time.

#include <chrono>
#include <functional>

struct FirmwareUpdateTiming {
  using Clock = std::chrono::steady_clock;

  // Waits the camera's refresh delay; null sleeps for real.
  std::function<void(std::chrono::milliseconds)> sleep;
  // The time the chain bound is measured with; null reads the steady clock.
  std::function<Clock::time_point()> now;
  // A camera that keeps pointing to status pages is given up after this long ...
  std::chrono::milliseconds statusChainLimit = std::chrono::minutes(30);
  // ... or after this many status pages, whichever comes first.
  unsigned maxStatusPages = 1000;

  void Sleep(std::chrono::milliseconds delay) const;
  Clock::time_point Now() const;
};

// The real clock and the standard bounds.
const FirmwareUpdateTiming& DefaultFirmwareUpdateTiming();
