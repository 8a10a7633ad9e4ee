#pragma once
// The checks every request to change the PC's network passes before anything changes:
// the privileged helper runs them on its arguments, and the finder on what a user types,
// so both refuse the same things with the same words. Pure functions except
// CheckAdapter, which reads the kernel's link table (no privilege needed).

#include <cstdint>
#include <string>
#include <vector>

#include "net/netlink_socket.h"

namespace ravix {

// Why a request is refused. Each kind is the helper's exit code; 126 and 127 are left to
// pkexec (dismissed, not authorised), 1 and 2 to the finder.
enum class AdminRefusal : int {
  None = 0,
  Usage = 64,             // unknown command, wrong number of arguments
  BadAddress = 65,        // not "a.b.c.d/n" text
  NotUnicast = 66,        // 0/8, 127/8, multicast, 240/4, limited broadcast
  PrefixRange = 67,       // prefix outside /16 .. /30
  NotHostAddress = 68,    // the subnet's own or broadcast address given as an address
  NotSubnetAddress = 69,  // a route's subnet with host bits set
  UnknownAdapter = 70,
  AdapterDown = 71,
  LoopbackAdapter = 72,
  NotAdapterSubnet = 73,  // a route fix for a subnet the adapter has no address in
  AddressInUse = 74,      // another host answered the ARP probe
  NotTemporary = 75,      // renew or remove of an address this helper did not add
  SystemError = 76,       // the kernel refused or a socket failed
};

constexpr unsigned kAdminMinPrefix = 16;
constexpr unsigned kAdminMaxPrefix = 30;

struct AddressWithPrefix {
  uint32_t Address = 0;  // network byte order
  unsigned Prefix = 0;
};

// Strict "a.b.c.d/n" (n from 0 to 32, decimal, no sign or leading blanks).
bool ParseAddressWithPrefix(const std::string& text, AddressWithPrefix& out);
std::string FormatAddressWithPrefix(const AddressWithPrefix& value);

// Unicast: not 0/8, 127/8, 224/4 (multicast) or 240/4 (which holds the limited broadcast).
AdminRefusal CheckUnicast(uint32_t address, std::string& message);
// A prefix the helper handles: /16 to /30 (never a default route or a host route).
AdminRefusal CheckPrefix(unsigned prefix, std::string& message);
// An address to put on an adapter: unicast, prefix in range, neither the subnet's own
// address nor its broadcast address.
AdminRefusal CheckHostAddress(const AddressWithPrefix& value, std::string& message);
// A subnet to route: unicast, prefix in range, host bits zero.
AdminRefusal CheckSubnet(const AddressWithPrefix& value, std::string& message);
// An adapter name as the kernel spells names: 1 to 15 bytes, no '/', no blank, no ':'.
bool IsAdapterName(const std::string& name);

// The adapter exists, is up and is not loopback; ifIndex gets its interface index.
AdminRefusal CheckAdapter(const NetlinkSocket& sock, const std::string& name, uint32_t& ifIndex,
                          std::string& message);

// Addresses for this PC in the subnet of a camera at cameraAddress/prefix (prefix 0:
// /24), best first: from the top of the subnet down (the bottom is where gateways and
// factory addresses sit), never the camera's own, the subnet's or its broadcast address.
// At most count; empty when the camera address or prefix is not usable.
std::vector<AddressWithPrefix> ProposeAddressesNear(uint32_t cameraAddress, unsigned prefix, int count);

// 169.254.1.0 .. 169.254.254.255 (the link-local addresses a host may take).
bool IsLinkLocalHost(uint32_t address);

}  // namespace ravix
