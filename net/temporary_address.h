#pragma once
// Temporary IPv4 addresses on an adapter: added with a kernel lifetime (the kernel drops
// the address when the lifetime runs out, so an address outlives its user by at most
// that long) and marked with an address protocol of their own, so that renewing and
// removing touch only addresses added here, never one from DHCP or the administrator.

#include <cstdint>

#include "net/admin_checks.h"
#include "net/netlink_socket.h"

namespace ravix {

constexpr uint8_t kTemporaryAddressProtocol = 0x52;  // IFA_PROTO value of our addresses
constexpr uint32_t kTemporaryAddressLifetime = 3600;  // seconds, valid and preferred

struct AdapterAddressState {
  bool Present = false;
  bool Temporary = false;  // carries kTemporaryAddressProtocol
  bool Permanent = false;  // no lifetime
  uint32_t ValidLifetime = 0;      // seconds left; 0xFFFFFFFF for permanent
  uint32_t PreferredLifetime = 0;
  uint32_t IfIndex = 0;  // the adapter that holds it (any adapter is searched)
  unsigned Prefix = 0;
};

// Looks address up on every adapter; 0 (state filled, Present false when nowhere) or a
// negative libnl code.
int FindAddress(const NetlinkSocket& sock, uint32_t address, AdapterAddressState& state);

// Adds value to ifIndex with the given lifetime and our protocol mark; with renew the
// address must exist and only its lifetime is set again. 0 or a negative libnl code.
int PutTemporaryAddress(const NetlinkSocket& sock, uint32_t ifIndex, const AddressWithPrefix& value,
                        uint32_t lifetime, bool renew);

// Deletes value from ifIndex; 0 or a negative libnl code.
int DeleteAddress(const NetlinkSocket& sock, uint32_t ifIndex, const AddressWithPrefix& value);

}  // namespace ravix
