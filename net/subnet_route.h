#pragma once
// The route fix for one adapter's subnet: routes in the main table to the subnet's
// address with another mask or interface are deleted, then the subnet is added as a
// link route over the adapter with the metric of the adapter's own connected route (0
// when it has none). The finder runs it in process when it may change routes, else the
// privileged network helper runs it.

#include <cstdint>
#include <functional>
#include <string>

#include "net/netlink_routes.h"
#include "net/netlink_socket.h"

namespace ravix {

using RouteTrace = std::function<void(const std::string&)>;

// Whether the table already routes net/mask over ifIndex and nothing else to net.
bool SubnetRouteIsRight(const MainRouteTable& table, uint32_t net, uint32_t mask, uint32_t ifIndex);

// Makes the route right; 0 when it is (already or now), else a negative libnl code.
// The last real deletion failure ends the fix before the route is added; a route that
// is already gone when it is deleted does not count. trace (may be empty) gets one line
// per change.
int FixSubnetRoute(const NetlinkSocket& sock, uint32_t net, uint32_t mask, uint32_t ifIndex,
                   const RouteTrace& trace);

// The subnet (address/prefix) of an IPv4 address that ifIndex holds and that contains
// address; false when the adapter has no such address.
bool AdapterSubnetOf(const NetlinkSocket& sock, uint32_t ifIndex, uint32_t address, uint32_t& net,
                     uint32_t& mask);

}  // namespace ravix
