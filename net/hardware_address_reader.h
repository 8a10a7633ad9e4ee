#pragma once
// Reads a host's hardware address from the kernel's IPv4 neighbour (ARP) table,
// making the kernel resolve it first when the table has no usable entry.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace ravix {

// How long ReadHardwareAddress waits for a resolution it started.
inline constexpr std::chrono::milliseconds kNeighbourWait{1000};

// Fills hw with the hardware address (at most 8 bytes) of hostAddress as seen from the
// interface of localAddress ("" lets the routing table choose). Resolution is started by
// one empty UDP datagram from localAddress to the host's discard port (9) on that
// interface, then the table is polled until kNeighbourWait has passed. Returns 0 or an
// errno value: EINVAL for unparsable addresses or a host that is not unicast, EADDRNOTAVAIL when localAddress is not
// an address of this machine, ETIMEDOUT when nobody answered.
int ReadHardwareAddress(const std::string& hostAddress, const std::string& localAddress, std::vector<uint8_t>& hw);

}  // namespace ravix
