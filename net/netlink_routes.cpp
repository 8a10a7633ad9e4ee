#include "net/netlink_routes.h"

#include <linux/rtnetlink.h>
#include <netlink/errno.h>
#include <netlink/route/nexthop.h>
#include <sys/socket.h>

#include <cstring>

#include "net/ipv4_text.h"

namespace ravix {
namespace {

uint32_t AddressOf(const nl_addr* addr) {
  uint32_t value = 0;
  if (addr != nullptr && nl_addr_get_len(addr) == sizeof value)
    std::memcpy(&value, nl_addr_get_binary_addr(addr), sizeof value);
  return value;  // a default route carries no destination bytes: 0.0.0.0
}

uint32_t SingleNextHopInterface(rtnl_route* route) {
  if (rtnl_route_get_nnexthops(route) != 1) return 0;
  const int index = rtnl_route_nh_get_ifindex(rtnl_route_nexthop_n(route, 0));
  return index > 0 ? static_cast<uint32_t>(index) : 0;
}

MainRoute Describe(rtnl_route* route) {
  MainRoute r;
  const nl_addr* dst = rtnl_route_get_dst(route);
  r.Destination = AddressOf(dst);
  r.Mask = MaskFromPrefix(dst != nullptr ? nl_addr_get_prefixlen(dst) : 0);
  r.IfIndex = SingleNextHopInterface(route);
  r.Metric = rtnl_route_get_priority(route);
  r.Connected = rtnl_route_get_protocol(route) == RTPROT_KERNEL && rtnl_route_get_scope(route) == RT_SCOPE_LINK;
  r.Object = route;
  return r;
}

}  // namespace

int MainRouteTable::Read(const NetlinkSocket& sock) {
  routes_.clear();
  cache_.reset();
  if (!sock.ok()) return sock.error();
  nl_cache* cache = nullptr;
  const int err = rtnl_route_alloc_cache(sock.get(), AF_INET, 0, &cache);
  if (err < 0) return err;
  cache_.reset(cache);
  for (nl_object* obj = nl_cache_get_first(cache); obj != nullptr; obj = nl_cache_get_next(obj)) {
    auto* route = reinterpret_cast<rtnl_route*>(obj);
    if (rtnl_route_get_family(route) != AF_INET || rtnl_route_get_table(route) != RT_TABLE_MAIN) continue;
    routes_.push_back(Describe(route));
  }
  return 0;
}

int MainRouteTable::Delete(const NetlinkSocket& sock, const MainRoute& route) {
  return rtnl_route_delete(sock.get(), route.Object, 0);
}

int AddLinkRoute(const NetlinkSocket& sock, uint32_t destination, uint32_t mask, uint32_t ifIndex,
                 uint32_t metric) {
  RtnlRoutePtr route(rtnl_route_alloc());
  NlAddrPtr dst(nl_addr_build(AF_INET, &destination, sizeof destination));
  rtnl_nexthop* hop = rtnl_route_nh_alloc();
  if (!route || !dst || hop == nullptr) {
    if (hop != nullptr) rtnl_route_nh_free(hop);
    return -NLE_NOMEM;
  }
  nl_addr_set_prefixlen(dst.get(), static_cast<int>(PrefixFromMask(mask)));
  rtnl_route_set_family(route.get(), AF_INET);
  rtnl_route_set_table(route.get(), RT_TABLE_MAIN);
  rtnl_route_set_type(route.get(), RTN_UNICAST);
  rtnl_route_set_scope(route.get(), RT_SCOPE_LINK);
  rtnl_route_set_protocol(route.get(), RTPROT_STATIC);
  rtnl_route_set_priority(route.get(), metric);
  int err = rtnl_route_set_dst(route.get(), dst.get());  // takes its own reference
  if (err < 0) {
    rtnl_route_nh_free(hop);
    return err;
  }
  rtnl_route_nh_set_ifindex(hop, static_cast<int>(ifIndex));
  rtnl_route_add_nexthop(route.get(), hop);  // the route owns the hop from here
  return rtnl_route_add(sock.get(), route.get(), NLM_F_EXCL);
}

}  // namespace ravix

namespace ravix {
namespace {

struct LookupState {
  RouteToAddress* out = nullptr;
  bool found = false;
};

int OnRouteReply(nl_msg* msg, void* arg) {
  auto* state = static_cast<LookupState*>(arg);
  rtnl_route* raw = nullptr;
  if (rtnl_route_parse(nlmsg_hdr(msg), &raw) < 0 || raw == nullptr) return NL_SKIP;
  const RtnlRoutePtr route(raw);
  if (rtnl_route_get_type(raw) != RTN_UNICAST || rtnl_route_get_nnexthops(raw) < 1) return NL_SKIP;
  rtnl_nexthop* hop = rtnl_route_nexthop_n(raw, 0);
  const int index = rtnl_route_nh_get_ifindex(hop);
  if (index <= 0) return NL_SKIP;
  state->out->IfIndex = static_cast<uint32_t>(index);
  state->out->Gateway = AddressOf(rtnl_route_nh_get_gateway(hop));
  state->out->PrefSource = AddressOf(rtnl_route_get_pref_src(raw));
  state->found = true;
  return NL_OK;
}

}  // namespace

int LookupRoute(const NetlinkSocket& sock, uint32_t address, RouteToAddress& route) {
  if (!sock.ok()) return sock.error();
  route = {};
  const NlMsgPtr msg(nlmsg_alloc_simple(RTM_GETROUTE, 0));
  if (!msg) return -NLE_NOMEM;
  rtmsg header{};
  header.rtm_family = AF_INET;
  header.rtm_dst_len = 32;
  if (nlmsg_append(msg.get(), &header, sizeof header, NLMSG_ALIGNTO) < 0) return -NLE_NOMEM;
  if (nla_put_u32(msg.get(), RTA_DST, address) < 0) return -NLE_NOMEM;
  int err = nl_send_auto(sock.get(), msg.get());
  if (err < 0) return err;
  LookupState state{&route, false};
  // The reply callback is set per call on a socket of our own, so nothing else sees it.
  nl_socket_modify_cb(sock.get(), NL_CB_VALID, NL_CB_CUSTOM, &OnRouteReply, &state);
  err = nl_recvmsgs_default(sock.get());
  nl_socket_modify_cb(sock.get(), NL_CB_VALID, NL_CB_DEFAULT, nullptr, nullptr);
  if (err < 0) return err;
  return state.found ? 0 : -NLE_OBJ_NOTFOUND;
}

}  // namespace ravix
