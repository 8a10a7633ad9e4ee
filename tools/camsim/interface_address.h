#pragma once
// Adding and removing IPv4 addresses on this network namespace's interfaces, for a
// simulated camera that takes a new address. Only inside a network namespace of its own
// (a lab namespace): in the machine's own namespace nothing is changed.

#include <cstdint>
#include <string>

namespace camsim {

// Whether this process runs in a named network namespace (one bound under /run/netns, as
// the lab's are). False when that cannot be told.
bool InOwnNetworkNamespace();

// The interface index holding address, or 0.
unsigned InterfaceOfAddress(const std::string& address);

// Adds address/prefix to interface ifIndex (an address already there is fine).
bool AddInterfaceAddress(unsigned ifIndex, const std::string& address, int prefix, std::string& error);

// Removes address from ifIndex; the other addresses of its subnet stay (secondaries are
// promoted).
bool RemoveInterfaceAddress(unsigned ifIndex, const std::string& address, int prefix, std::string& error);

}  // namespace camsim
