#pragma once
// CamsimFleet: many simulated cameras for benchmarks, up to 500 per simulator and one
// simulator per lab link (simulator i runs in $NETLAB_CAM<i> on that link's addresses).
// Serial numbers, names, hosts and MAC addresses are distinct across the simulators, so
// that no two cameras collide in DNS-SD; every silentEvery-th camera never answers HTTP.
//
//   CamsimFleet fleet;
//   if (!fleet.Start(2000, 10, &error)) ...   // needs a lab with 4 links of 500 addresses

#include <memory>
#include <string>
#include <vector>

#include "tests/support/camsim_process.h"

class CamsimFleet {
 public:
  static constexpr int kCamerasPerSimulator = 500;

  // Starts the simulators; false with error when the lab has too few links or one fails.
  bool Start(int cameras, int silentEvery, std::string* error);
  int Silent() const { return silent_; }

 private:
  std::vector<std::unique_ptr<CamsimProcess>> simulators_;
  int silent_ = 0;
};
