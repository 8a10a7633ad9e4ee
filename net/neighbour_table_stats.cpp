#include "net/neighbour_table_stats.h"

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/handlers.h>
#include <netlink/netlink.h>
#include <sys/socket.h>

#include <cstring>

namespace ravix {
namespace {

constexpr char kIpv4TableName[] = "arp_cache";

struct Reply {
  bool received = false;
  NeighbourTableStats stats;
};

bool IsIpv4Table(nlattr* name) {
  if (name == nullptr) return false;
  const auto* text = static_cast<const char*>(nla_data(name));
  return strnlen(text, static_cast<std::size_t>(nla_len(name))) == sizeof kIpv4TableName - 1 &&
         std::memcmp(text, kIpv4TableName, sizeof kIpv4TableName - 1) == 0;
}

// The first message of the table carries its configuration and statistics; the ones
// after it carry the parameters of single interfaces and are skipped.
int OnTable(nl_msg* msg, void* arg) {
  auto* reply = static_cast<Reply*>(arg);
  nlmsghdr* hdr = nlmsg_hdr(msg);
  if (hdr->nlmsg_type != RTM_NEWNEIGHTBL || !nlmsg_valid_hdr(hdr, sizeof(ndtmsg))) return NL_SKIP;
  nlattr* tb[NDTA_MAX + 1] = {};
  if (nlmsg_parse(hdr, sizeof(ndtmsg), tb, NDTA_MAX, nullptr) < 0) return NL_SKIP;
  if (!IsIpv4Table(tb[NDTA_NAME]) || tb[NDTA_CONFIG] == nullptr || tb[NDTA_STATS] == nullptr) return NL_SKIP;
  if (nla_len(tb[NDTA_CONFIG]) < static_cast<int>(sizeof(ndt_config)) ||
      nla_len(tb[NDTA_STATS]) < static_cast<int>(sizeof(ndt_stats)))
    return NL_SKIP;
  ndt_config config{};
  ndt_stats stats{};
  std::memcpy(&config, nla_data(tb[NDTA_CONFIG]), sizeof config);
  std::memcpy(&stats, nla_data(tb[NDTA_STATS]), sizeof stats);
  reply->stats.Entries = config.ndtc_entries;
  reply->stats.TableFulls = stats.ndts_table_fulls;
  if (tb[NDTA_THRESH3] != nullptr) reply->stats.HardLimit = nla_get_u32(tb[NDTA_THRESH3]);
  reply->received = true;
  return NL_OK;
}

}  // namespace

int ReadNeighbourTableStats(const NetlinkSocket& sock, NeighbourTableStats& stats) {
  if (!sock.ok()) return sock.error();
  ndtmsg request{};
  request.ndtm_family = AF_INET;
  int err = nl_send_simple(sock.get(), RTM_GETNEIGHTBL, NLM_F_DUMP, &request, sizeof request);
  if (err < 0) return err;
  Reply reply;
  nl_socket_modify_cb(sock.get(), NL_CB_VALID, NL_CB_CUSTOM, OnTable, &reply);
  err = nl_recvmsgs_default(sock.get());
  nl_socket_modify_cb(sock.get(), NL_CB_VALID, NL_CB_DEFAULT, nullptr, nullptr);
  if (err < 0) return err;
  if (!reply.received) return -NLE_OBJ_NOTFOUND;
  stats = reply.stats;
  return 0;
}

}  // namespace ravix
