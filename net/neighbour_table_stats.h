#pragma once
// The kernel's IPv4 neighbour (ARP) table as a whole: its size limit and how often it
// was found full. The table and its limits are shared by every network namespace of
// the machine; the limit is net.ipv4.neigh.default.gc_thresh3.

#include <cstdint>

#include "net/netlink_socket.h"

namespace ravix {

struct NeighbourTableStats {
  uint32_t Entries = 0;     // entries in the table now
  uint32_t HardLimit = 0;   // gc_thresh3: no entry is created past it
  uint64_t TableFulls = 0;  // times an entry could not be created because the table was full
};

// Reads the statistics of the IPv4 table ("arp_cache"). 0, or a negative libnl error
// code (-NLE_OBJ_NOTFOUND when the kernel did not list the table).
int ReadNeighbourTableStats(const NetlinkSocket& sock, NeighbourTableStats& stats);

}  // namespace ravix
