#include "net/admin_checks.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netlink/errno.h>
#include <netlink/route/link.h>

#include <charconv>
#include <memory>

#include "net/ipv4_text.h"

namespace ravix {
namespace {

struct RtnlLinkPut {
  void operator()(rtnl_link* link) const { rtnl_link_put(link); }
};

}  // namespace

bool ParseAddressWithPrefix(const std::string& text, AddressWithPrefix& out) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos || slash + 1 >= text.size() || text.size() - slash > 3) return false;
  uint32_t address = 0;
  if (!ParseIPv4(text.substr(0, slash), address)) return false;
  const char* first = text.data() + slash + 1;
  const char* last = text.data() + text.size();
  if (*first < '0' || *first > '9') return false;
  unsigned prefix = 0;
  const auto [end, ec] = std::from_chars(first, last, prefix);
  if (ec != std::errc() || end != last || prefix > 32) return false;
  out.Address = address;
  out.Prefix = prefix;
  return true;
}

std::string FormatAddressWithPrefix(const AddressWithPrefix& value) {
  return FormatIPv4(value.Address) + "/" + std::to_string(value.Prefix);
}

AdminRefusal CheckUnicast(uint32_t address, std::string& message) {
  const uint32_t host = ntohl(address);
  const unsigned first = host >> 24;
  const char* why = nullptr;
  if (first == 0) why = "is in 0.0.0.0/8 (this network)";
  else if (first == 127) why = "is a loopback address";
  else if (first >= 224 && first <= 239) why = "is a multicast address";
  else if (host == 0xFFFFFFFFu) why = "is the limited broadcast address";
  else if (first >= 240) why = "is in the reserved block 240.0.0.0/4";
  if (why == nullptr) return AdminRefusal::None;
  message = FormatIPv4(address) + " " + why + ", not a unicast address";
  return AdminRefusal::NotUnicast;
}

AdminRefusal CheckPrefix(unsigned prefix, std::string& message) {
  if (prefix >= kAdminMinPrefix && prefix <= kAdminMaxPrefix) return AdminRefusal::None;
  message = "prefix /" + std::to_string(prefix) + " is outside /" + std::to_string(kAdminMinPrefix) + " to /" +
            std::to_string(kAdminMaxPrefix);
  return AdminRefusal::PrefixRange;
}

AdminRefusal CheckHostAddress(const AddressWithPrefix& value, std::string& message) {
  if (const AdminRefusal r = CheckUnicast(value.Address, message); r != AdminRefusal::None) return r;
  if (const AdminRefusal r = CheckPrefix(value.Prefix, message); r != AdminRefusal::None) return r;
  const uint32_t hostMask = ~ntohl(MaskFromPrefix(value.Prefix));
  const uint32_t hostPart = ntohl(value.Address) & hostMask;
  if (hostPart != 0 && hostPart != hostMask) return AdminRefusal::None;
  message = FormatAddressWithPrefix(value) + " is the subnet's " + (hostPart == 0 ? "own" : "broadcast") +
            " address, not a host address";
  return AdminRefusal::NotHostAddress;
}

AdminRefusal CheckSubnet(const AddressWithPrefix& value, std::string& message) {
  if (const AdminRefusal r = CheckUnicast(value.Address, message); r != AdminRefusal::None) return r;
  if (const AdminRefusal r = CheckPrefix(value.Prefix, message); r != AdminRefusal::None) return r;
  if ((value.Address & ~MaskFromPrefix(value.Prefix)) == 0) return AdminRefusal::None;
  message = FormatAddressWithPrefix(value) + " has host bits set; a subnet is named by its own address";
  return AdminRefusal::NotSubnetAddress;
}

bool IsAdapterName(const std::string& name) {
  if (name.empty() || name.size() >= IFNAMSIZ || name == "." || name == "..") return false;
  for (const char c : name)
    if (c == '/' || c == ':' || c <= ' ' || c == 0x7F) return false;
  return true;
}

AdminRefusal CheckAdapter(const NetlinkSocket& sock, const std::string& name, uint32_t& ifIndex,
                          std::string& message) {
  if (!IsAdapterName(name)) {
    message = "'" + name + "' is not an adapter name";
    return AdminRefusal::UnknownAdapter;
  }
  if (!sock.ok()) {
    message = std::string("netlink: ") + nl_geterror(sock.error());
    return AdminRefusal::SystemError;
  }
  rtnl_link* raw = nullptr;
  if (rtnl_link_get_kernel(sock.get(), 0, name.c_str(), &raw) < 0 || raw == nullptr) {
    message = "there is no adapter named '" + name + "'";
    return AdminRefusal::UnknownAdapter;
  }
  const std::unique_ptr<rtnl_link, RtnlLinkPut> link(raw);
  const unsigned flags = rtnl_link_get_flags(raw);
  if ((flags & IFF_LOOPBACK) != 0) {
    message = "adapter '" + name + "' is the loopback adapter";
    return AdminRefusal::LoopbackAdapter;
  }
  if ((flags & IFF_UP) == 0) {
    message = "adapter '" + name + "' is down";
    return AdminRefusal::AdapterDown;
  }
  ifIndex = static_cast<uint32_t>(rtnl_link_get_ifindex(raw));
  return AdminRefusal::None;
}

std::vector<AddressWithPrefix> ProposeAddressesNear(uint32_t cameraAddress, unsigned prefix, int count) {
  std::vector<AddressWithPrefix> out;
  std::string message;
  if (prefix == 0) prefix = 24;
  if (CheckHostAddress({cameraAddress, prefix}, message) != AdminRefusal::None) return out;
  const uint32_t mask = ntohl(MaskFromPrefix(prefix));
  const uint32_t net = ntohl(cameraAddress) & mask;
  const uint32_t broadcast = net | ~mask;
  for (uint32_t host = broadcast - 1; host > net && static_cast<int>(out.size()) < count; --host) {
    if (host == ntohl(cameraAddress)) continue;
    if (prefix == 16 && (host >> 16) == 0xA9FE && !IsLinkLocalHost(htonl(host))) continue;
    out.push_back({htonl(host), prefix});
  }
  return out;
}

bool IsLinkLocalHost(uint32_t address) {
  const uint32_t host = ntohl(address);
  return (host >> 16) == 0xA9FE && ((host >> 8) & 0xFF) >= 1 && ((host >> 8) & 0xFF) <= 254;
}

}  // namespace ravix
