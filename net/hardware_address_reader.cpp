#include "net/hardware_address_reader.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "net/ipv4_text.h"
#include "net/netlink_addresses.h"
#include "net/netlink_neighbours.h"
#include "net/netlink_socket.h"
#include "platform/file_descriptor.h"

namespace ravix {
namespace {

constexpr uint16_t kDiscardPort = 9;
// A neighbour on the same wire answers within a millisecond or so: poll quickly at first.
constexpr std::chrono::microseconds kFirstPoll{500};
constexpr std::chrono::microseconds kLongestPoll{10000};
constexpr std::size_t kMaxHardwareAddress = 8;

sockaddr_in SocketAddress(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = htons(port);
  return sa;
}

// Binds to source, or, when source is 0, lets routing choose it and stores it.
int ChooseSource(const UniqueFd& sock, uint32_t host, uint32_t& source) {
  if (source != 0) {
    const sockaddr_in local = SocketAddress(source, 0);
    if (bind(sock.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return errno;
    return 0;
  }
  const sockaddr_in remote = SocketAddress(host, kDiscardPort);
  if (connect(sock.Get(), reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) return errno;
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (getsockname(sock.Get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) return errno;
  source = local.sin_addr.s_addr;
  return 0;
}

// One empty datagram out of ifIndex: the kernel resolves host before it can send it.
int SendProbe(const UniqueFd& sock, uint32_t host, uint32_t source, uint32_t ifIndex) {
  sockaddr_in remote = SocketAddress(host, kDiscardPort);
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  msghdr msg{};
  msg.msg_name = &remote;
  msg.msg_namelen = sizeof remote;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  cmsghdr* cmsg = CMSG_FIRSTHDR(&msg);
  cmsg->cmsg_level = IPPROTO_IP;
  cmsg->cmsg_type = IP_PKTINFO;
  cmsg->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_ifindex = static_cast<int>(ifIndex);
  info.ipi_spec_dst.s_addr = source;
  std::memcpy(CMSG_DATA(cmsg), &info, sizeof info);
  return sendmsg(sock.Get(), &msg, MSG_DONTWAIT) < 0 ? errno : 0;
}

bool TakeUsable(const NetlinkSocket& nl, uint32_t ifIndex, uint32_t host, std::vector<uint8_t>& hw) {
  NeighbourEntry entry;
  if (LookupNeighbour(nl, ifIndex, host, entry) != 0 || !entry.Usable()) return false;
  hw = std::move(entry.HardwareAddress);
  return true;
}

// Only a unicast host can have a neighbour entry of its own.
bool IsUnicastHost(uint32_t address) {
  const uint32_t host = ntohl(address);
  return host != 0 && host != 0xFFFFFFFFu && (host >> 24) != 127 && (host >> 28) != 0xE;
}

int CheckLength(const std::vector<uint8_t>& hw) { return hw.size() <= kMaxHardwareAddress ? 0 : EMSGSIZE; }

}  // namespace

int ReadHardwareAddress(const std::string& hostAddress, const std::string& localAddress, std::vector<uint8_t>& hw) {
  hw.clear();
  uint32_t host = 0;
  uint32_t source = 0;
  if (!ParseIPv4(hostAddress, host) || !IsUnicastHost(host)) return EINVAL;
  if (!localAddress.empty() && !ParseIPv4(localAddress, source)) return EINVAL;

  const UniqueFd udp(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!udp.Valid()) return errno;
  if (const int err = ChooseSource(udp, host, source); err != 0) return err;
  const NetlinkSocket nl;
  if (!nl.ok()) return EIO;
  const uint32_t ifIndex = InterfaceOfAddress(nl, source);
  if (ifIndex == 0) return EADDRNOTAVAIL;

  if (TakeUsable(nl, ifIndex, host, hw)) return CheckLength(hw);
  if (const int err = SendProbe(udp, host, source, ifIndex); err != 0) return err;
  const auto deadline = std::chrono::steady_clock::now() + kNeighbourWait;
  for (auto pause = kFirstPoll; std::chrono::steady_clock::now() < deadline; pause = std::min(pause * 2, kLongestPoll)) {
    std::this_thread::sleep_for(pause);
    if (TakeUsable(nl, ifIndex, host, hw)) return CheckLength(hw);
  }
  return ETIMEDOUT;
}

}  // namespace ravix
