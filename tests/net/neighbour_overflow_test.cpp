// The neighbour table's statistics as the kernel reports them, and the overflow watch
// that turns a growing "table full" count into one warning.

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

#include "net/neighbour_overflow_watch.h"
#include "net/neighbour_table_stats.h"

namespace {

TEST(NeighbourTableStats, KernelReportsTheIpv4TableWithItsLimit) {
  const ravix::NetlinkSocket sock;
  ASSERT_TRUE(sock.ok());
  ravix::NeighbourTableStats first, second;
  ASSERT_EQ(ravix::ReadNeighbourTableStats(sock, first), 0);
  ASSERT_EQ(ravix::ReadNeighbourTableStats(sock, second), 0);  // the socket serves again
  EXPECT_GT(first.HardLimit, 0u);
  EXPECT_GE(second.TableFulls, first.TableFulls);  // a counter, never reset
  // The limit is only visible as a setting in the machine's first namespace.
  std::ifstream setting("/proc/sys/net/ipv4/neigh/default/gc_thresh3");
  unsigned limit = 0;
  if (setting >> limit) {
    EXPECT_EQ(first.HardLimit, limit);
  }
}

// Table statistics whose full count the test raises, standing for the kernel refusing
// entries (the real table is shared by the whole machine, so the tests never fill it).
struct FakeTable {
  std::atomic<uint64_t> fulls{7};
  std::atomic<bool> readable{true};
  ravix::NeighbourOverflowWatch::StatsReader Reader() {
    return [this](ravix::NeighbourTableStats& stats) {
      if (!readable) return false;
      stats = {1024, 1024, fulls.load()};
      return true;
    };
  }
};

TEST(NeighbourOverflowWatch, WarnsOnceOnlyAfterAnOverflowSinceItWasMade) {
  FakeTable table;  // 7 overflows from before the watch: not this run's
  ravix::NeighbourOverflowWatch watch(table.Reader());
  EXPECT_FALSE(watch.CheckAfterFailedLookup());
  EXPECT_TRUE(watch.Warning().empty());

  table.fulls = 9;
  std::atomic<int> told{0};
  std::vector<std::thread> workers;
  for (int i = 0; i < 8; ++i)
    workers.emplace_back([&] {
      for (int k = 0; k < 50; ++k)
        if (watch.CheckAfterFailedLookup()) ++told;
    });
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(told.load(), 1);
  const std::string warning = watch.Warning();
  EXPECT_NE(warning.find("net.ipv4.neigh.default.gc_thresh3"), std::string::npos) << warning;
  EXPECT_NE(warning.find("limit 1024"), std::string::npos) << warning;

  table.fulls = 20;  // further overflows are not told again
  EXPECT_FALSE(watch.CheckAfterFailedLookup());
  EXPECT_EQ(watch.Warning(), warning);
}

TEST(NeighbourOverflowWatch, StaysSilentWithoutStatistics) {
  FakeTable unreadable;
  unreadable.readable = false;
  ravix::NeighbourOverflowWatch blind(unreadable.Reader());
  unreadable.readable = true;
  unreadable.fulls = 100;
  EXPECT_FALSE(blind.CheckAfterFailedLookup());  // no baseline: cannot tell old from new

  FakeTable failing;
  ravix::NeighbourOverflowWatch watch(failing.Reader());
  failing.readable = false;
  failing.fulls = 100;
  EXPECT_FALSE(watch.CheckAfterFailedLookup());
  failing.readable = true;
  EXPECT_TRUE(watch.CheckAfterFailedLookup());

  ravix::NeighbourOverflowWatch none(nullptr);
  EXPECT_FALSE(none.CheckAfterFailedLookup());
}

}  // namespace
