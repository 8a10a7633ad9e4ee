#include "net/neighbour_overflow_watch.h"

#include <cstdio>

namespace ravix {
namespace {

std::string FormatWarning(const NeighbourTableStats& stats) {
  char text[400];
  std::snprintf(text, sizeof text,
                "the kernel's neighbour (ARP) table is full (%u entries, limit %u), so some cameras cannot be "
                "reached; raise net.ipv4.neigh.default.gc_thresh3 (and gc_thresh2 below it) above the number "
                "of cameras and hosts on the PC's networks",
                static_cast<unsigned>(stats.Entries), static_cast<unsigned>(stats.HardLimit));
  return text;
}

}  // namespace

bool NeighbourOverflowWatch::ReadKernelStats(NeighbourTableStats& stats) {
  const NetlinkSocket sock;
  return ReadNeighbourTableStats(sock, stats) == 0;
}

NeighbourOverflowWatch::NeighbourOverflowWatch(StatsReader reader) : reader_(std::move(reader)) {
  NeighbourTableStats stats;
  if (!reader_ || !reader_(stats)) return;  // without statistics the watch stays silent
  baselineValid_ = true;
  baselineFulls_ = stats.TableFulls;
}

bool NeighbourOverflowWatch::CheckAfterFailedLookup() {
  if (!baselineValid_ || reported_.load(std::memory_order_acquire)) return false;
  NeighbourTableStats stats;
  if (!reader_(stats) || stats.TableFulls <= baselineFulls_) return false;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (reported_.load(std::memory_order_relaxed)) return false;
  warning_ = FormatWarning(stats);
  reported_.store(true, std::memory_order_release);
  return true;
}

std::string NeighbourOverflowWatch::Warning() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return warning_;
}

}  // namespace ravix
