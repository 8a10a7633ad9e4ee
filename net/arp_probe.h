#pragma once
// Address conflict detection by ARP before an address is taken: probes with sender
// address 0.0.0.0 ask who holds the address, and any ARP from another host that uses
// the address, or probes for it at the same time, counts as "in use". After the address
// is taken one announcement tells the neighbours.
//
// The timing is shorter than the standard's (three probes 250 ms apart, then 500 ms of
// listening, about 1.2 s in all): the address is temporary and meant for one installer's
// session on a link they are standing at, so a quick answer matters more than a slow
// host that answers after seconds.

#include <cstdint>
#include <string>

namespace ravix {

enum class ProbeAnswer { Free, InUse, Failed };

// Probes address (network byte order) on ifIndex. On InUse, message names the hardware
// address that answered; on Failed, why the probe could not run.
ProbeAnswer ProbeAddress(uint32_t ifIndex, uint32_t address, std::string& message);

// Sends one gratuitous ARP request for address from ifIndex (best effort).
void AnnounceAddress(uint32_t ifIndex, uint32_t address);

}  // namespace ravix
