#pragma once
// Notices that the kernel's neighbour (ARP) table overflowed while cameras were being
// reached: past net.ipv4.neigh.default.gc_thresh3 entries the kernel creates no more,
// so hardware address look-ups and connections to further cameras fail. The kernel
// counts each such refusal in the table's statistics; the watch compares that count
// with the one it found when it was made.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "net/neighbour_table_stats.h"

namespace ravix {

class NeighbourOverflowWatch {
 public:
  // Fills the statistics; false when they cannot be read.
  using StatsReader = std::function<bool(NeighbourTableStats&)>;
  // Reads the kernel's table over rtnetlink.
  static bool ReadKernelStats(NeighbourTableStats& stats);

  explicit NeighbourOverflowWatch(StatsReader reader = ReadKernelStats);

  // Called after a camera's hardware address could not be read. True exactly once: the
  // first time the table was found to have overflowed since the watch was made.
  // Safe to call from several threads.
  bool CheckAfterFailedLookup();
  // The message for the user once an overflow was found, empty before.
  std::string Warning() const;

 private:
  StatsReader reader_;
  bool baselineValid_ = false;
  uint64_t baselineFulls_ = 0;
  std::atomic<bool> reported_{false};
  mutable std::mutex mutex_;
  std::string warning_;
};

}  // namespace ravix
