#pragma once
// Owning handles for libnl-route objects: a connected rtnetlink socket, caches,
// messages, addresses and routes. Each user opens its own socket (libnl sockets must
// not be shared between threads).

#include <memory>

#include <netlink/addr.h>
#include <netlink/cache.h>
#include <netlink/msg.h>
#include <netlink/route/route.h>
#include <netlink/socket.h>

namespace ravix {

struct NlCacheFree {
  void operator()(nl_cache* c) const { nl_cache_free(c); }
};
struct NlMsgFree {
  void operator()(nl_msg* m) const { nlmsg_free(m); }
};
struct NlAddrPut {
  void operator()(nl_addr* a) const { nl_addr_put(a); }
};
struct RtnlRoutePut {
  void operator()(rtnl_route* r) const { rtnl_route_put(r); }
};
using NlCachePtr = std::unique_ptr<nl_cache, NlCacheFree>;
using NlMsgPtr = std::unique_ptr<nl_msg, NlMsgFree>;
using NlAddrPtr = std::unique_ptr<nl_addr, NlAddrPut>;
using RtnlRoutePtr = std::unique_ptr<rtnl_route, RtnlRoutePut>;

// A NETLINK_ROUTE socket, connected on construction; error() tells why it is not.
class NetlinkSocket {
 public:
  NetlinkSocket();
  ~NetlinkSocket();
  NetlinkSocket(const NetlinkSocket&) = delete;
  NetlinkSocket& operator=(const NetlinkSocket&) = delete;

  bool ok() const { return connected_; }
  // 0 when connected, else a negative libnl error code.
  int error() const { return error_; }
  nl_sock* get() const { return sock_; }

 private:
  nl_sock* sock_ = nullptr;
  bool connected_ = false;
  int error_ = 0;
};

}  // namespace ravix
