#include "net/netlink_neighbours.h"

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/handlers.h>
#include <netlink/netlink.h>
#include <sys/socket.h>

namespace ravix {
namespace {

struct Reply {
  bool received = false;
  NeighbourEntry entry;
};

int OnNeighbour(nl_msg* msg, void* arg) {
  auto* reply = static_cast<Reply*>(arg);
  nlmsghdr* hdr = nlmsg_hdr(msg);
  if (hdr->nlmsg_type != RTM_NEWNEIGH || !nlmsg_valid_hdr(hdr, sizeof(ndmsg))) return NL_SKIP;
  nlattr* tb[NDA_MAX + 1] = {};
  if (nlmsg_parse(hdr, sizeof(ndmsg), tb, NDA_MAX, nullptr) < 0) return NL_SKIP;
  const auto* ndm = static_cast<const ndmsg*>(nlmsg_data(hdr));
  reply->received = true;
  reply->entry.State = ndm->ndm_state;
  if (tb[NDA_LLADDR] != nullptr) {
    const auto* bytes = static_cast<const uint8_t*>(nla_data(tb[NDA_LLADDR]));
    reply->entry.HardwareAddress.assign(bytes, bytes + nla_len(tb[NDA_LLADDR]));
  }
  return NL_OK;
}

}  // namespace

bool NeighbourEntry::Usable() const {
  // The states in which the kernel itself sends to the cached address.
  constexpr uint16_t kResolved = NUD_PERMANENT | NUD_NOARP | NUD_REACHABLE | NUD_PROBE | NUD_STALE | NUD_DELAY;
  return (State & kResolved) != 0 && !HardwareAddress.empty();
}

int LookupNeighbour(const NetlinkSocket& sock, uint32_t ifIndex, uint32_t address, NeighbourEntry& entry) {
  if (!sock.ok()) return sock.error();
  // A plain get request (kernel 5.0 and later) answers with this one entry or an error,
  // without dumping the whole table.
  NlMsgPtr msg(nlmsg_alloc_simple(RTM_GETNEIGH, 0));
  if (!msg) return -NLE_NOMEM;
  ndmsg ndm{};
  ndm.ndm_family = AF_INET;
  ndm.ndm_ifindex = static_cast<int>(ifIndex);
  if (nlmsg_append(msg.get(), &ndm, sizeof ndm, NLMSG_ALIGNTO) < 0 ||
      nla_put(msg.get(), NDA_DST, sizeof address, &address) < 0)
    return -NLE_NOMEM;
  nl_socket_disable_auto_ack(sock.get());  // one answer per request: the entry or an error
  int err = nl_send_auto(sock.get(), msg.get());
  if (err < 0) return err;
  Reply reply;
  nl_socket_modify_cb(sock.get(), NL_CB_VALID, NL_CB_CUSTOM, OnNeighbour, &reply);
  err = nl_recvmsgs_default(sock.get());
  nl_socket_modify_cb(sock.get(), NL_CB_VALID, NL_CB_DEFAULT, nullptr, nullptr);
  if (err < 0) return err;
  if (!reply.received) return -NLE_OBJ_NOTFOUND;
  entry = std::move(reply.entry);
  return 0;
}

}  // namespace ravix
