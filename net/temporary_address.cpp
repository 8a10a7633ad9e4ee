#include "net/temporary_address.h"

#include <arpa/inet.h>
#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/msg.h>
#include <sys/socket.h>

#include "net/ipv4_text.h"

namespace ravix {
namespace {

struct FindState {
  uint32_t address = 0;
  AdapterAddressState* out = nullptr;
};

void ReadAddressAttributes(nlattr** tb, const ifaddrmsg* header, AdapterAddressState& state) {
  uint32_t flags = header->ifa_flags;
  if (tb[IFA_FLAGS] != nullptr) flags = nla_get_u32(tb[IFA_FLAGS]);
  state.Present = true;
  state.IfIndex = header->ifa_index;
  state.Prefix = header->ifa_prefixlen;
  state.Permanent = (flags & IFA_F_PERMANENT) != 0;
  state.Temporary = tb[IFA_PROTO] != nullptr && nla_get_u8(tb[IFA_PROTO]) == kTemporaryAddressProtocol;
  if (tb[IFA_CACHEINFO] != nullptr && nla_len(tb[IFA_CACHEINFO]) >= static_cast<int>(sizeof(ifa_cacheinfo))) {
    const auto* info = static_cast<const ifa_cacheinfo*>(nla_data(tb[IFA_CACHEINFO]));
    state.ValidLifetime = info->ifa_valid;
    state.PreferredLifetime = info->ifa_prefered;
  }
}

int OnAddress(nl_msg* msg, void* arg) {
  auto* find = static_cast<FindState*>(arg);
  nlmsghdr* hdr = nlmsg_hdr(msg);
  if (hdr->nlmsg_type != RTM_NEWADDR) return NL_SKIP;
  nlattr* tb[IFA_MAX + 1] = {};
  if (nlmsg_parse(hdr, sizeof(ifaddrmsg), tb, IFA_MAX, nullptr) < 0) return NL_SKIP;
  const auto* header = static_cast<const ifaddrmsg*>(nlmsg_data(hdr));
  if (header->ifa_family != AF_INET) return NL_SKIP;
  nlattr* local = tb[IFA_LOCAL] != nullptr ? tb[IFA_LOCAL] : tb[IFA_ADDRESS];
  if (local == nullptr || nla_len(local) != 4 || nla_get_u32(local) != find->address) return NL_SKIP;
  if (!find->out->Present) ReadAddressAttributes(tb, header, *find->out);
  return NL_OK;
}

NlMsgPtr AddressMessage(int type, int flags, uint32_t ifIndex, const AddressWithPrefix& value) {
  NlMsgPtr msg(nlmsg_alloc_simple(type, flags));
  if (!msg) return msg;
  ifaddrmsg header{};
  header.ifa_family = AF_INET;
  header.ifa_prefixlen = static_cast<unsigned char>(value.Prefix);
  // A link-local address is for this link only (as RFC 3927 hosts set it).
  header.ifa_scope = (ntohl(value.Address) >> 16) == 0xA9FE ? RT_SCOPE_LINK : RT_SCOPE_UNIVERSE;
  header.ifa_index = ifIndex;
  if (nlmsg_append(msg.get(), &header, sizeof header, NLMSG_ALIGNTO) < 0 ||
      nla_put_u32(msg.get(), IFA_LOCAL, value.Address) < 0 || nla_put_u32(msg.get(), IFA_ADDRESS, value.Address) < 0)
    msg.reset();
  return msg;
}

}  // namespace

int FindAddress(const NetlinkSocket& sock, uint32_t address, AdapterAddressState& state) {
  state = {};
  if (!sock.ok()) return sock.error();
  const NlMsgPtr msg(nlmsg_alloc_simple(RTM_GETADDR, NLM_F_DUMP));
  if (!msg) return -NLE_NOMEM;
  ifaddrmsg header{};
  header.ifa_family = AF_INET;
  if (nlmsg_append(msg.get(), &header, sizeof header, NLMSG_ALIGNTO) < 0) return -NLE_NOMEM;
  int err = nl_send_auto(sock.get(), msg.get());
  if (err < 0) return err;
  FindState find{address, &state};
  // The callback is set for this call on a socket of our own only.
  nl_socket_modify_cb(sock.get(), NL_CB_VALID, NL_CB_CUSTOM, &OnAddress, &find);
  err = nl_recvmsgs_default(sock.get());
  nl_socket_modify_cb(sock.get(), NL_CB_VALID, NL_CB_DEFAULT, nullptr, nullptr);
  return err < 0 ? err : 0;
}

int PutTemporaryAddress(const NetlinkSocket& sock, uint32_t ifIndex, const AddressWithPrefix& value,
                        uint32_t lifetime, bool renew) {
  if (!sock.ok()) return sock.error();
  const int flags = renew ? NLM_F_REPLACE : (NLM_F_CREATE | NLM_F_EXCL);
  NlMsgPtr msg = AddressMessage(RTM_NEWADDR, flags, ifIndex, value);
  if (!msg) return -NLE_NOMEM;
  const uint32_t mask = MaskFromPrefix(value.Prefix);
  ifa_cacheinfo info{};
  info.ifa_prefered = lifetime;
  info.ifa_valid = lifetime;
  if (nla_put_u32(msg.get(), IFA_BROADCAST, value.Address | ~mask) < 0 ||
      nla_put(msg.get(), IFA_CACHEINFO, sizeof info, &info) < 0 ||
      nla_put_u8(msg.get(), IFA_PROTO, kTemporaryAddressProtocol) < 0)
    return -NLE_NOMEM;
  return nl_send_sync(sock.get(), msg.release());  // frees the message
}

int DeleteAddress(const NetlinkSocket& sock, uint32_t ifIndex, const AddressWithPrefix& value) {
  if (!sock.ok()) return sock.error();
  NlMsgPtr msg = AddressMessage(RTM_DELADDR, 0, ifIndex, value);
  if (!msg) return -NLE_NOMEM;
  return nl_send_sync(sock.get(), msg.release());
}

}  // namespace ravix
