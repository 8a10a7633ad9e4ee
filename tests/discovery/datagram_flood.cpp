#include "datagram_flood.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <future>

namespace {

constexpr uint16_t kMdnsPort = 5353;

void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v & 0xFF));
}

}  // namespace

std::string AmplificationDatagram() {
  constexpr int kLabels = 2246;
  constexpr int kQuestions = 749;
  std::string datagram;
  for (const uint16_t field : {0, 0x8400, kQuestions, 0, 0, 0}) Put16(datagram, field);
  for (int i = 0; i < kLabels; ++i) datagram += std::string("\x01" "a");
  datagram.push_back('\0');
  Put16(datagram, 16);
  Put16(datagram, 1);
  for (int i = 1; i < kQuestions; ++i) {
    Put16(datagram, static_cast<uint16_t>(0xC000 | (12 + 2 * (i % kLabels))));
    Put16(datagram, 16);
    Put16(datagram, 1);
  }
  return datagram;
}

DatagramFlood::DatagramFlood(std::string datagram, int perSecond)
    : datagram_(std::move(datagram)), perSecond_(perSecond > 0 ? perSecond : 1) {}

DatagramFlood::~DatagramFlood() { Stop(); }

bool DatagramFlood::Start(const std::string& namespacePath, const std::string& interfaceName) {
  Stop();
  stop_ = false;
  std::promise<bool> opened;
  auto ready = opened.get_future();
  thread_ = std::thread([this, &opened, namespacePath, interfaceName] {
    const int ns = open(namespacePath.c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = ns >= 0 && setns(ns, CLONE_NEWNET) == 0;
    if (ns >= 0) close(ns);
    const bool ok = entered && Open(interfaceName);
    opened.set_value(ok);
    if (ok) Send();
  });
  if (ready.get()) return true;
  thread_.join();
  return false;
}

void DatagramFlood::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool DatagramFlood::Open(const std::string& interfaceName) {
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  const int ttl = 255;
  ip_mreqn group{};
  group.imr_ifindex = static_cast<int>(if_nametoindex(interfaceName.c_str()));
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(kMdnsPort);
  return fd_ >= 0 && group.imr_ifindex > 0 && setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0 &&
         setsockopt(fd_, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one) == 0 &&
         setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) == 0 &&
         setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &group, sizeof group) == 0 &&
         bind(fd_, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
}

void DatagramFlood::Send() {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(kMdnsPort);
  inet_pton(AF_INET, "224.0.0.251", &to.sin_addr);
  const auto period = std::chrono::microseconds(1000000 / perSecond_);
  auto next = std::chrono::steady_clock::now();
  while (!stop_) {
    if (sendto(fd_, datagram_.data(), datagram_.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) > 0)
      ++sent_;
    next += period;
    std::this_thread::sleep_until(next);
  }
}
