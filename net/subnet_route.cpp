#include "net/subnet_route.h"

#include <netlink/errno.h>

#include <cerrno>
#include <vector>

#include "net/ipv4_text.h"
#include "net/netlink_addresses.h"

namespace ravix {
namespace {

void Trace(const RouteTrace& trace, const std::string& line) {
  if (trace) trace(line);
}

// Metric of the first route the kernel made for an address of ifIndex.
bool ConnectedRouteMetric(const MainRouteTable& table, uint32_t ifIndex, uint32_t& metric) {
  for (const MainRoute& route : table.Routes()) {
    if (!route.Connected || route.IfIndex != ifIndex) continue;
    metric = route.Metric;
    return true;
  }
  return false;
}

}  // namespace

bool SubnetRouteIsRight(const MainRouteTable& table, uint32_t net, uint32_t mask, uint32_t ifIndex) {
  bool present = false;
  for (const MainRoute& route : table.Routes()) {
    if (route.Destination != net) continue;
    if (route.Mask != mask || route.IfIndex != ifIndex) return false;
    present = true;
  }
  return present;
}

int FixSubnetRoute(const NetlinkSocket& sock, uint32_t net, uint32_t mask, uint32_t ifIndex,
                   const RouteTrace& trace) {
  MainRouteTable table;
  if (const int err = table.Read(sock); err < 0) {
    Trace(trace, std::string("route table: ") + nl_geterror(err));
    return err;
  }
  int status = 0;
  bool present = false;
  for (const MainRoute& route : table.Routes()) {
    if (route.Destination != net) continue;
    if (route.Mask == mask && route.IfIndex == ifIndex) {
      present = true;
      continue;
    }
    const int err = MainRouteTable::Delete(sock, route);
    Trace(trace, "delete " + FormatIPv4(route.Destination) + "/" + std::to_string(PrefixFromMask(route.Mask)) +
                     " IF: " + std::to_string(route.IfIndex) + ": " + (err < 0 ? nl_geterror(err) : "ok"));
    if (err < 0 && err != -NLE_OBJ_NOTFOUND) status = err;
  }
  if (status < 0) return status;
  if (present) return 0;

  uint32_t metric = 0;
  const bool connected = ConnectedRouteMetric(table, ifIndex, metric);
  Trace(trace, "IF: " + std::to_string(ifIndex) + " Metric: " + std::to_string(metric) +
                   " err=" + std::to_string(connected ? 0 : ENOENT));
  const int err = AddLinkRoute(sock, net, mask, ifIndex, metric);
  if (err < 0) Trace(trace, "add " + FormatIPv4(net) + ": " + nl_geterror(err));
  return err < 0 ? err : 0;
}

bool AdapterSubnetOf(const NetlinkSocket& sock, uint32_t ifIndex, uint32_t address, uint32_t& net,
                     uint32_t& mask) {
  std::vector<LocalAddress> addresses;
  if (ReadIPv4Addresses(sock, addresses) < 0) return false;
  for (const LocalAddress& a : addresses) {
    if (a.IfIndex != ifIndex || a.Mask == 0 || !InSubnet(address, a.Address, a.Mask)) continue;
    net = a.Address & a.Mask;
    mask = a.Mask;
    return true;
  }
  return false;
}

}  // namespace ravix
