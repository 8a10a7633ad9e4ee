#include "net/netlink_socket.h"

#include <netlink/errno.h>
#include <netlink/netlink.h>

namespace ravix {

NetlinkSocket::NetlinkSocket() : sock_(nl_socket_alloc()) {
  if (sock_ == nullptr) {
    error_ = -NLE_NOMEM;
    return;
  }
  error_ = nl_connect(sock_, NETLINK_ROUTE);
  connected_ = error_ == 0;
}

NetlinkSocket::~NetlinkSocket() {
  if (sock_ != nullptr) nl_socket_free(sock_);  // closes the descriptor too
}

}  // namespace ravix
