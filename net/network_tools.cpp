#include "net/network_tools.h"

#include <net/if.h>
#include <netlink/errno.h>
#include <netlink/route/link.h>
#include <sys/capability.h>

#include <cstring>
#include <utility>
#include <memory>

#include "net/hardware_address_reader.h"
#include "net/ipv4_text.h"
#include "net/netlink_addresses.h"
#include "net/netlink_routes.h"
#include "net/netlink_socket.h"
#include "net/admin_checks.h"
#include "net/route_fix_broker.h"
#include "net/subnet_route.h"
#include "platform/debug_trace.h"

namespace {

constexpr const char* kEnsureRoute = "CNetworkTools::EnsureRoute";

bool IsAdapterLink(rtnl_link* link) {
  const unsigned flags = rtnl_link_get_flags(link);
  if ((flags & IFF_LOOPBACK) != 0) return false;
  // IFF_RUNNING: administratively up and operational (carrier present).
  return (flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0;
}

AdapterEntry EntryForLink(rtnl_link* link) {
  AdapterEntry entry;
  entry.IfIndex = static_cast<uint32_t>(rtnl_link_get_ifindex(link));
  if (const nl_addr* hw = rtnl_link_get_addr(link); hw != nullptr) {
    const unsigned length = nl_addr_get_len(hw);
    if (length <= AdapterEntry::kMaxPhysicalAddress) {
      entry.PhysicalAddressLength = length;
      std::memcpy(entry.PhysicalAddress, nl_addr_get_binary_addr(hw), length);
    }
  }
  if (const char* name = rtnl_link_get_name(link); name != nullptr)
    std::strncpy(entry.Name, name, sizeof entry.Name - 1);
  return entry;
}

void FillAdapterAddresses(AdapterEntry& entry, const std::vector<ravix::LocalAddress>& addresses) {
  for (const ravix::LocalAddress& a : addresses) {
    if (entry.AddressCount >= AdapterEntry::kMaxAddresses) return;
    if (a.IfIndex != entry.IfIndex) continue;
    entry.Addresses[entry.AddressCount] = a.Address;
    entry.Masks[entry.AddressCount] = a.Mask;
    ++entry.AddressCount;
  }
}

bool HasAddress(const AdapterEntry& entry) {
  for (uint32_t i = 0; i < entry.AddressCount; ++i)
    if (entry.Addresses[i] != 0) return true;
  return false;
}

// Slot of the adapter whose subnet holds candidate, or -1. Text that is not a dotted
// IPv4 address matches nothing.
int FindSlot(const AdapterEntry& adapter, const std::string& candidate) {
  uint32_t address = 0;
  if (!ravix::ParseIPv4(candidate, address)) return -1;
  for (uint32_t i = 0; i < adapter.AddressCount; ++i)
    if (ravix::InSubnet(address, adapter.Addresses[i], adapter.Masks[i])) return static_cast<int>(i);
  return -1;
}

struct CapFree {
  void operator()(void* caps) const { cap_free(caps); }
};

}  // namespace

CNetworkTools::CNetworkTools() { RefreshAdapters(); }

CNetworkTools::CNetworkTools(std::vector<AdapterEntry> adapters) {
  for (AdapterEntry& adapter : adapters)
    (adapter.AddressCount == 0 ? m_adaptersWithoutIPv4 : m_adapters).push_back(std::move(adapter));
}

CNetworkTools::~CNetworkTools() = default;

int CNetworkTools::RefreshAdapters() {
  const ravix::NetlinkSocket sock;
  nl_cache* rawLinks = nullptr;
  int err = sock.ok() ? rtnl_link_alloc_cache(sock.get(), AF_UNSPEC, &rawLinks) : sock.error();
  const ravix::NlCachePtr links(rawLinks);
  std::vector<ravix::LocalAddress> addresses;
  if (err >= 0) err = ravix::ReadIPv4Addresses(sock, addresses);
  if (err < 0) {
    DebugTrace("CNetworkTools::RefreshAdapters: %s", nl_geterror(err));
    return 0;
  }
  std::vector<AdapterEntry> table;
  std::vector<AdapterEntry> bare;
  for (nl_object* obj = nl_cache_get_first(rawLinks); obj != nullptr; obj = nl_cache_get_next(obj)) {
    auto* link = reinterpret_cast<rtnl_link*>(obj);
    if (!IsAdapterLink(link)) continue;
    AdapterEntry entry = EntryForLink(link);
    if (entry.IfIndex != 0) FillAdapterAddresses(entry, addresses);
    if (HasAddress(entry)) table.push_back(entry);
    else bare.push_back(entry);
  }
  m_adapters = std::move(table);
  m_adaptersWithoutIPv4 = std::move(bare);
  return static_cast<int>(m_adapters.size());
}

const AdapterEntry* CNetworkTools::FindAdapter(uint32_t ifIndex) const {
  for (const AdapterEntry& entry : m_adapters)
    if (entry.IfIndex == ifIndex) return &entry;
  return nullptr;
}

const AdapterEntry* CNetworkTools::FindAdapterWithoutIPv4(uint32_t ifIndex) const {
  for (const AdapterEntry& entry : m_adaptersWithoutIPv4)
    if (entry.IfIndex == ifIndex) return &entry;
  return nullptr;
}

std::vector<std::string> CNetworkTools::CollectCameraAddresses(const CBrowseRecord& record) {
  if (record.HasContactAddress()) return {record.ContactAddress};  // what the camera claims is never contacted
  return {record.GetTxtValueOrEmpty(txtkey::kIpv4Net), record.GetTxtValueOrEmpty(txtkey::kIpv4Zc)};
}

bool CNetworkTools::FindCameraAddressOnAdapter(uint32_t ifIndex, const std::vector<std::string>& candidates,
                                               std::string& cameraAddress, std::string& localAddress) const {
  cameraAddress = candidates.empty() ? std::string() : candidates.front();
  localAddress.clear();
  const AdapterEntry* adapter = FindAdapter(ifIndex);
  if (adapter == nullptr) return false;
  for (const std::string& candidate : candidates) {
    const int slot = FindSlot(*adapter, candidate);
    if (slot < 0) continue;
    cameraAddress = candidate;
    localAddress = ravix::FormatIPv4(adapter->Addresses[slot]);
    return true;
  }
  return false;
}

bool CNetworkTools::ResolveCameraAddress(const CBrowseRecord& record, std::string& cameraAddress,
                                         std::string& localAddress) const {
  uint32_t routeIfIndex = 0;
  return ResolveCameraPath(record, cameraAddress, localAddress, routeIfIndex) != CameraPath::None;
}

CNetworkTools::CameraPath CNetworkTools::ResolveCameraPath(const CBrowseRecord& record, std::string& cameraAddress,
                                                           std::string& localAddress,
                                                           uint32_t& routeIfIndex) const {
  routeIfIndex = 0;
  const std::vector<std::string> candidates = CollectCameraAddresses(record);
  if (FindCameraAddressOnAdapter(record.InterfaceIndex, candidates, cameraAddress, localAddress)) {
    EnsureRoute(cameraAddress, record.InterfaceIndex);
    routeIfIndex = record.InterfaceIndex;
    return CameraPath::OnLink;
  }
  std::string routed;
  for (const std::string& candidate : candidates) {
    uint32_t adapter = 0;
    if (candidate.empty()) continue;
    if (FindOnLinkAdapter(candidate, adapter)) return CameraPath::None;  // on another link: not routed
    if (routed.empty()) routed = candidate;
  }
  if (routed.empty()) return CameraPath::None;
  std::string source;
  const uint32_t ifIndex = RouteInterface(routed, &source);
  if (ifIndex == 0 || FindAdapter(ifIndex) == nullptr) return CameraPath::None;
  if (record.InterfaceIndex != 0 && record.InterfaceIndex != ifIndex) return CameraPath::None;
  DebugTrace("CNetworkTools::ResolveCameraPath: %s routed over IF: %u", routed.c_str(), ifIndex);
  cameraAddress = routed;
  localAddress = source;
  routeIfIndex = ifIndex;
  return CameraPath::Routed;
}

bool CNetworkTools::FindOnLinkAdapter(const std::string& address, uint32_t& ifIndex) const {
  for (const AdapterEntry& adapter : m_adapters) {
    if (FindSlot(adapter, address) < 0) continue;
    ifIndex = adapter.IfIndex;
    return true;
  }
  return false;
}

uint32_t CNetworkTools::RouteInterface(const std::string& address, std::string* sourceAddress) {
  uint32_t destination = 0;
  if (!ravix::ParseIPv4(address, destination)) return 0;
  const ravix::NetlinkSocket sock;
  ravix::RouteToAddress route;
  if (const int err = ravix::LookupRoute(sock, destination, route); err < 0) {
    DebugTrace("CNetworkTools::RouteInterface: %s: %s", address.c_str(), nl_geterror(err));
    return 0;
  }
  if (sourceAddress != nullptr) *sourceAddress = route.PrefSource != 0 ? ravix::FormatIPv4(route.PrefSource) : "";
  return route.IfIndex;
}

bool CNetworkTools::EnsureRoute(const std::string& cameraAddress, uint32_t ifIndex) const {
  const AdapterEntry* adapter = FindAdapter(ifIndex);
  if (adapter == nullptr) return false;
  DebugTrace("%s: IF: %d Cam: %s", kEnsureRoute, static_cast<int>(ifIndex), cameraAddress.c_str());
  const int slot = FindSlot(*adapter, cameraAddress);
  if (slot < 0) return false;
  const uint32_t mask = adapter->Masks[slot];
  const uint32_t net = mask & adapter->Addresses[slot];
  if (mask == 0) return false;  // a /0 "subnet" would be the default route: leave it alone

  const ravix::NetlinkSocket sock;
  if (m_routeHelper) return EnsureRouteThroughHelper(sock, adapter->Name, net, mask, ifIndex);
  const int err = ravix::FixSubnetRoute(sock, net, mask, ifIndex, [](const std::string& line) {
    DebugTrace("%s: %s", kEnsureRoute, line.c_str());
  });
  return err == 0;
}

void CNetworkTools::SetRouteHelper(std::shared_ptr<ravix::RouteFixBroker> helper) {
  m_routeHelper = std::move(helper);
}

bool CNetworkTools::EnsureRouteThroughHelper(const ravix::NetlinkSocket& sock, const char* adapterName, uint32_t net,
                                             uint32_t mask, uint32_t ifIndex) const {
  ravix::MainRouteTable table;
  if (const int err = table.Read(sock); err < 0) {
    DebugTrace("%s: route table: %s", kEnsureRoute, nl_geterror(err));
    return false;
  }
  if (ravix::SubnetRouteIsRight(table, net, mask, ifIndex)) return true;
  const unsigned prefix = ravix::PrefixFromMask(mask);
  std::string why;
  // The helper handles /16 to /30 only; asking it for another would refuse the whole run.
  if (ravix::CheckPrefix(prefix, why) != ravix::AdminRefusal::None) {
    DebugTrace("%s: %s: not through the helper", kEnsureRoute, why.c_str());
    return false;
  }
  return m_routeHelper->Fix(adapterName, net, prefix);
}

bool CNetworkTools::IsReachable(const CBrowseRecord& record, const std::string& candidate) const {
  std::vector<std::string> candidates;
  std::string zeroconf;
  if (!record.HasContactAddress() && record.GetTxtValue(txtkey::kIpv4Zc, zeroconf)) candidates.push_back(zeroconf);
  candidates.push_back(candidate);
  std::string cameraAddress;
  std::string localAddress;
  return FindCameraAddressOnAdapter(record.InterfaceIndex, candidates, cameraAddress, localAddress);
}

std::string CNetworkTools::GetMacAddress(const std::string& cameraAddress, const std::string& localAddress) {
  std::vector<uint8_t> hw;
  const int err = ravix::ReadHardwareAddress(cameraAddress, localAddress, hw);
  if (err != 0) {
    DebugTrace("SendARP returned %u %#x", static_cast<unsigned>(err), static_cast<unsigned>(err));
    return {};
  }
  return ravix::FormatHardwareAddress(hw.data(), hw.size());
}

bool IsAdministrator() {
  const std::unique_ptr<void, CapFree> caps(cap_get_proc());
  if (!caps) return false;
  cap_flag_value_t value = CAP_CLEAR;
  if (cap_get_flag(static_cast<cap_t>(caps.get()), CAP_NET_ADMIN, CAP_EFFECTIVE, &value) != 0) return false;
  return value == CAP_SET;
}
