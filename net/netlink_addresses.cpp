#include "net/netlink_addresses.h"

#include <netlink/route/addr.h>
#include <sys/socket.h>

#include <cstring>

#include "net/ipv4_text.h"

namespace ravix {

int ReadIPv4Addresses(const NetlinkSocket& sock, std::vector<LocalAddress>& addresses) {
  addresses.clear();
  if (!sock.ok()) return sock.error();
  nl_cache* raw = nullptr;
  const int err = rtnl_addr_alloc_cache(sock.get(), &raw);
  if (err < 0) return err;
  const NlCachePtr cache(raw);
  for (nl_object* obj = nl_cache_get_first(raw); obj != nullptr; obj = nl_cache_get_next(obj)) {
    auto* addr = reinterpret_cast<rtnl_addr*>(obj);
    const nl_addr* local = rtnl_addr_get_local(addr);
    if (rtnl_addr_get_family(addr) != AF_INET || local == nullptr || nl_addr_get_len(local) != 4) continue;
    LocalAddress entry;
    entry.IfIndex = static_cast<uint32_t>(rtnl_addr_get_ifindex(addr));
    std::memcpy(&entry.Address, nl_addr_get_binary_addr(local), sizeof entry.Address);
    entry.Mask = MaskFromPrefix(static_cast<unsigned>(rtnl_addr_get_prefixlen(addr)));
    addresses.push_back(entry);
  }
  return 0;
}

uint32_t InterfaceOfAddress(const NetlinkSocket& sock, uint32_t address) {
  std::vector<LocalAddress> addresses;
  if (ReadIPv4Addresses(sock, addresses) < 0) return 0;
  for (const LocalAddress& a : addresses)
    if (a.Address == address) return a.IfIndex;
  return 0;
}

}  // namespace ravix
