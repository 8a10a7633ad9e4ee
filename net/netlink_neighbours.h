#pragma once
// Single look-ups in the kernel's IPv4 neighbour (ARP) table.

#include <cstdint>
#include <vector>

#include "net/netlink_socket.h"

namespace ravix {

struct NeighbourEntry {
  uint16_t State = 0;  // NUD_* bits
  std::vector<uint8_t> HardwareAddress;
  // A resolved entry with a hardware address that may be used.
  bool Usable() const;
};

// Asks the kernel for the entry of address on interface ifIndex. 0 when found, a
// negative libnl error code otherwise (-NLE_OBJ_NOTFOUND: no entry).
int LookupNeighbour(const NetlinkSocket& sock, uint32_t ifIndex, uint32_t address, NeighbourEntry& entry);

}  // namespace ravix
