#include "firmware/update_timing.h"

#include <thread>

void FirmwareUpdateTiming::Sleep(std::chrono::milliseconds delay) const {
  if (sleep) {
    sleep(delay);
    return;
  }
  std::this_thread::sleep_for(delay);
}

FirmwareUpdateTiming::Clock::time_point FirmwareUpdateTiming::Now() const { return now ? now() : Clock::now(); }

const FirmwareUpdateTiming& DefaultFirmwareUpdateTiming() {
  static const FirmwareUpdateTiming timing;
  return timing;
}
