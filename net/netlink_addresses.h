#pragma once
// The kernel's IPv4 interface addresses, in the order of its address dump.

#include <cstdint>
#include <vector>

#include "net/netlink_socket.h"

namespace ravix {

struct LocalAddress {
  uint32_t IfIndex = 0;
  uint32_t Address = 0;  // network byte order
  uint32_t Mask = 0;     // network byte order
};

// Fills addresses; 0 on success, else a negative libnl error code (addresses empty).
int ReadIPv4Addresses(const NetlinkSocket& sock, std::vector<LocalAddress>& addresses);

// The interface that holds address, or 0 when none does or the dump fails.
uint32_t InterfaceOfAddress(const NetlinkSocket& sock, uint32_t address);

}  // namespace ravix
