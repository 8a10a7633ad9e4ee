#pragma once
// CNetworkTools: the PC's IPv4 adapters and the answers built on them: over which of a
// camera's advertised addresses, and from which local address, the camera is reached on
// the interface it was found on; the route to the camera's subnet over that interface;
// the camera's hardware address from the neighbour (ARP) table.
//
// The application object holds the one instance by value (theNetworkTools) and hands
// references to the parts that need it; the class can be neither copied nor moved, so
// references to it stay valid for the object's life. Pointers from FindAdapter are valid
// until the next RefreshAdapters.
//
// The adapter table has no lock: it is filled at construction and rebuilt only by
// RefreshAdapters, which the Refresh command calls after discovery has stopped. All
// other members only read it and may run on any thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "records/browse_record.h"

namespace ravix {
class NetlinkSocket;
class RouteFixBroker;
}  // namespace ravix

struct AdapterEntry {
  static constexpr uint32_t kMaxAddresses = 10;
  static constexpr uint32_t kMaxPhysicalAddress = 8;

  uint32_t IfIndex = 0;  // kernel interface index
  uint32_t PhysicalAddressLength = 0;  // 0 when the interface reports more than 8 bytes
  uint8_t PhysicalAddress[kMaxPhysicalAddress] = {};
  char Name[256] = {};  // interface name, NUL-terminated
  uint32_t AddressCount = 0;
  uint32_t Addresses[kMaxAddresses] = {};  // IPv4, network byte order
  uint32_t Masks[kMaxAddresses] = {};      // mask of the address in the same slot
};

class CNetworkTools {
 public:
  // Builds the adapter table.
  CNetworkTools();
  // Starts from the given table instead of the kernel's (windows shown without a live
  // network, tests); entries without an address count as adapters without IPv4.
  // RefreshAdapters replaces it.
  explicit CNetworkTools(std::vector<AdapterEntry> adapters);
  virtual ~CNetworkTools();
  CNetworkTools(const CNetworkTools&) = delete;
  CNetworkTools& operator=(const CNetworkTools&) = delete;

  // Rebuilds the table from the kernel: interfaces that are up and running, not
  // loopback, with at least one IPv4 address (the first ten are kept, in kernel order).
  // Returns the number of adapters entered; on failure 0, and the old table stays.
  int RefreshAdapters();

  // The first adapter with that interface index, or null.
  const AdapterEntry* FindAdapter(uint32_t ifIndex) const;
  const std::vector<AdapterEntry>& Adapters() const { return m_adapters; }
  // Adapters that are up and running but have no IPv4 address (a switch without DHCP):
  // candidates for a link-local address. AddressCount is 0; rebuilt with the table.
  const std::vector<AdapterEntry>& AdaptersWithoutIPv4() const { return m_adaptersWithoutIPv4; }
  // The adapter without IPv4 address with that interface index, or null.
  const AdapterEntry* FindAdapterWithoutIPv4(uint32_t ifIndex) const;

  // The record's configured ("ipv4-net.zorvnet") and zeroconf ("ipv4-zc.zorvnet")
  // addresses, in this order, each empty when the key is missing; for a camera with a
  // contact address (found by address, or in a browse domain) that address alone.
  static std::vector<std::string> CollectCameraAddresses(const CBrowseRecord& record);

  // The first candidate that lies in a subnet of the adapter, and the adapter's address
  // of that subnet. Candidates are tried in order, each against the adapter's addresses
  // in order. On false cameraAddress is the first candidate ("" without any) and
  // localAddress is "".
  bool FindCameraAddressOnAdapter(uint32_t ifIndex, const std::vector<std::string>& candidates,
                                  std::string& cameraAddress, std::string& localAddress) const;

  // FindCameraAddressOnAdapter for the record's interface and addresses; when found,
  // also makes sure the camera's subnet is routed over that interface (EnsureRoute,
  // whose result does not matter here). Callers use cameraAddress as host even after
  // false: it is then the configured address.
  bool ResolveCameraAddress(const CBrowseRecord& record, std::string& cameraAddress,
                            std::string& localAddress) const;

  // How a camera is reached: on a subnet of its adapter, or through the routing table
  // (a camera behind a router: none of its addresses lies on a subnet of any adapter).
  enum class CameraPath { None, OnLink, Routed };
  // ResolveCameraAddress that also tells which path it found. For a routed camera
  // routeIfIndex is the interface of the kernel's route to it and localAddress the
  // source the kernel would use; no route is added or changed and no ARP is done.
  // A routed camera found on an interface counts only when its route uses that one.
  CameraPath ResolveCameraPath(const CBrowseRecord& record, std::string& cameraAddress, std::string& localAddress,
                               uint32_t& routeIfIndex) const;

  // Whether address lies on a subnet of any adapter; ifIndex gets that adapter.
  bool FindOnLinkAdapter(const std::string& address, uint32_t& ifIndex) const;
  // The interface of the kernel's route to address (no change made); 0 when none.
  static uint32_t RouteInterface(const std::string& address, std::string* sourceAddress = nullptr);

  // Makes the adapter's subnet that holds cameraAddress routed over ifIndex: routes in
  // the main table to that subnet's address with another mask or interface are deleted,
  // then the subnet is added as a link route with the metric of the interface's own
  // connected route (0 when it has none). True when the route is present afterwards.
  // False, touching nothing, when the adapter or subnet is unknown; false when a
  // deletion or the creation fails (without CAP_NET_ADMIN and helper nothing changes).
  bool EnsureRoute(const std::string& cameraAddress, uint32_t ifIndex) const;

  // Route fixes through the privileged helper (the process lacks CAP_NET_ADMIN): from
  // then on EnsureRoute only reads the route table itself and asks the helper when the
  // route is not right. Set before discovery starts; null goes back to in-process fixes.
  void SetRouteHelper(std::shared_ptr<ravix::RouteFixBroker> helper);

  // Whether the camera would still be reachable on its interface: the record's zeroconf
  // address (when it has one) and then candidate. No route is touched.
  bool IsReachable(const CBrowseRecord& record, const std::string& candidate) const;

  // The camera's hardware address from the kernel's neighbour table, resolving it when
  // needed (waits about one second at most): lowercase pairs joined by "-", e.g.
  // "02-1a-2b-3c-4d-5e"; "" when it cannot be read. An empty localAddress lets the
  // routing table choose the source.
  static std::string GetMacAddress(const std::string& cameraAddress, const std::string& localAddress);

 private:
  bool EnsureRouteThroughHelper(const ravix::NetlinkSocket& sock, const char* adapterName, uint32_t net, uint32_t mask,
                                uint32_t ifIndex) const;

  std::vector<AdapterEntry> m_adapters;
  std::vector<AdapterEntry> m_adaptersWithoutIPv4;
  std::shared_ptr<ravix::RouteFixBroker> m_routeHelper;
};

// Whether the process may change routes: CAP_NET_ADMIN in the calling thread's
// effective capability set.
bool IsAdministrator();
