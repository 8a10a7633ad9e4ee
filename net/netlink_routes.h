#pragma once
// The IPv4 routes of the kernel's main routing table, read in one dump, and the two
// changes the network tools make to it: deleting a route read here and adding a route
// to a subnet over one interface.

#include <cstdint>
#include <vector>

#include "net/netlink_socket.h"

namespace ravix {

struct MainRoute {
  uint32_t Destination = 0;  // network byte order
  uint32_t Mask = 0;         // network byte order
  // Outgoing interface; 0 when the route has no single next hop (multipath, blackhole).
  uint32_t IfIndex = 0;
  uint32_t Metric = 0;
  // Made by the kernel for an address of IfIndex (protocol kernel, link scope).
  bool Connected = false;
  rtnl_route* Object = nullptr;  // owned by the table's cache
};

class MainRouteTable {
 public:
  // Reads the table; 0 on success, else a negative libnl error code.
  int Read(const NetlinkSocket& sock);
  const std::vector<MainRoute>& Routes() const { return routes_; }
  // Deletes a route of this table; 0 or a negative libnl error code.
  static int Delete(const NetlinkSocket& sock, const MainRoute& route);

 private:
  NlCachePtr cache_;
  std::vector<MainRoute> routes_;
};

// Adds destination/mask as a link-scope route over ifIndex with the given metric, in
// the main table; 0 or a negative libnl error code.
int AddLinkRoute(const NetlinkSocket& sock, uint32_t destination, uint32_t mask, uint32_t ifIndex,
                 uint32_t metric);

}  // namespace ravix

namespace ravix {

// The kernel's answer for the way to one address (RTM_GETROUTE, as `ip route get`).
struct RouteToAddress {
  uint32_t IfIndex = 0;     // outgoing interface
  uint32_t Gateway = 0;     // next hop, network byte order; 0 for a link route
  uint32_t PrefSource = 0;  // source address the kernel would use; 0 when none given
};

// Asks the kernel how it would send to address (network byte order); 0 with route
// filled, else a negative libnl error code (-NLE_OBJ_NOTFOUND when there is no route).
int LookupRoute(const NetlinkSocket& sock, uint32_t address, RouteToAddress& route);

}  // namespace ravix
