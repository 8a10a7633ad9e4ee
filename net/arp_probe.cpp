#include "net/arp_probe.h"

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <netinet/if_ether.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "net/ipv4_text.h"

namespace ravix {
namespace {

constexpr int kProbeCount = 3;
constexpr int kProbeIntervalMs = 250;
constexpr int kListenAfterLastMs = 500;
constexpr int kMaxStartDelayMs = 100;

using Mac = std::array<uint8_t, ETH_ALEN>;
using Clock = std::chrono::steady_clock;

class PacketSocket {
 public:
  explicit PacketSocket(uint32_t ifIndex) : ifIndex_(ifIndex) {
    fd_ = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (fd_ < 0) return;
    sockaddr_ll local{};
    local.sll_family = AF_PACKET;
    local.sll_protocol = htons(ETH_P_ARP);
    local.sll_ifindex = static_cast<int>(ifIndex);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) Close();
  }
  ~PacketSocket() { Close(); }
  PacketSocket(const PacketSocket&) = delete;
  PacketSocket& operator=(const PacketSocket&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  bool ReadOwnMac(Mac& mac) const {
    ifreq request{};
    if (if_indextoname(ifIndex_, request.ifr_name) == nullptr) return false;
    if (ioctl(fd_, SIOCGIFHWADDR, &request) != 0 || request.ifr_hwaddr.sa_family != ARPHRD_ETHER) return false;
    std::memcpy(mac.data(), request.ifr_hwaddr.sa_data, mac.size());
    return true;
  }

  bool SendRequest(const Mac& own, uint32_t sender, uint32_t target) const {
    ether_arp arp{};
    arp.arp_hrd = htons(ARPHRD_ETHER);
    arp.arp_pro = htons(ETH_P_IP);
    arp.arp_hln = ETH_ALEN;
    arp.arp_pln = 4;
    arp.arp_op = htons(ARPOP_REQUEST);
    std::memcpy(arp.arp_sha, own.data(), ETH_ALEN);
    std::memcpy(arp.arp_spa, &sender, 4);
    std::memcpy(arp.arp_tpa, &target, 4);
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_protocol = htons(ETH_P_ARP);
    to.sll_ifindex = static_cast<int>(ifIndex_);
    to.sll_halen = ETH_ALEN;
    std::memset(to.sll_addr, 0xFF, ETH_ALEN);
    return sendto(fd_, &arp, sizeof arp, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) == sizeof arp;
  }

 private:
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  uint32_t ifIndex_;
  int fd_ = -1;
};

// Whether an ARP packet from another host says that address is taken: it uses the
// address as its sender, or it probes for the address itself.
bool IsConflict(const ether_arp& arp, const Mac& own, uint32_t address) {
  if (ntohs(arp.arp_hrd) != ARPHRD_ETHER || ntohs(arp.arp_pro) != ETH_P_IP) return false;
  if (std::memcmp(arp.arp_sha, own.data(), ETH_ALEN) == 0) return false;
  uint32_t sender = 0, target = 0;
  std::memcpy(&sender, arp.arp_spa, 4);
  std::memcpy(&target, arp.arp_tpa, 4);
  if (sender == address) return true;
  return sender == 0 && target == address && ntohs(arp.arp_op) == ARPOP_REQUEST;
}

// Reads ARP packets until deadline; true when one shows a conflict.
bool ListenForConflict(const PacketSocket& sock, const Mac& own, uint32_t address, Clock::time_point deadline,
                       std::string& message) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{sock.fd(), POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    ether_arp arp{};
    sockaddr_ll from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = recvfrom(sock.fd(), &arp, sizeof arp, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < static_cast<ssize_t>(sizeof arp) || from.sll_pkttype == PACKET_OUTGOING) continue;
    if (!IsConflict(arp, own, address)) continue;
    message = FormatIPv4(address) + " is in use by " + FormatHardwareAddress(arp.arp_sha, ETH_ALEN);
    return true;
  }
}

int RandomStartDelayMs() {
  uint8_t r = 0;
  if (getrandom(&r, 1, 0) != 1) return kMaxStartDelayMs / 2;
  return r % (kMaxStartDelayMs + 1);
}

}  // namespace

ProbeAnswer ProbeAddress(uint32_t ifIndex, uint32_t address, std::string& message) {
  const PacketSocket sock(ifIndex);
  Mac own{};
  if (!sock.ok()) {
    message = std::string("ARP socket: ") + std::strerror(errno);
    return ProbeAnswer::Failed;
  }
  if (!sock.ReadOwnMac(own)) {
    message = "the adapter has no Ethernet hardware address for an ARP probe";
    return ProbeAnswer::Failed;
  }
  auto next = Clock::now() + std::chrono::milliseconds(RandomStartDelayMs());
  for (int i = 0; i < kProbeCount; ++i) {
    if (ListenForConflict(sock, own, address, next, message)) return ProbeAnswer::InUse;
    if (!sock.SendRequest(own, 0, address)) {
      message = std::string("ARP probe: ") + std::strerror(errno);
      return ProbeAnswer::Failed;
    }
    next += std::chrono::milliseconds(i + 1 < kProbeCount ? kProbeIntervalMs : kListenAfterLastMs);
  }
  if (ListenForConflict(sock, own, address, next, message)) return ProbeAnswer::InUse;
  return ProbeAnswer::Free;
}

void AnnounceAddress(uint32_t ifIndex, uint32_t address) {
  const PacketSocket sock(ifIndex);
  Mac own{};
  if (sock.ok() && sock.ReadOwnMac(own)) sock.SendRequest(own, address, address);
}

}  // namespace ravix
