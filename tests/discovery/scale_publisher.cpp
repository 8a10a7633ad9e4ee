#include "scale_publisher.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <set>

#include "discovery/mdns_change_listener.h"

namespace {

constexpr uint16_t kMdnsPort = 5353;
constexpr uint16_t kTypeA = 1;
constexpr uint16_t kTypePtr = 12;
constexpr uint16_t kTypeTxt = 16;
constexpr uint16_t kTypeSrv = 33;
constexpr size_t kPacketLimit = 1400;
constexpr auto kKnownAnswerWait = std::chrono::milliseconds(400);  // truncated queries go on

using Clock = std::chrono::steady_clock;

std::string Wire(const std::vector<std::string>& labels) {
  std::string wire;
  for (const std::string& label : labels) {
    wire.push_back(static_cast<char>(label.size()));
    wire += label;
  }
  wire.push_back('\0');
  return wire;
}

std::string Key(const std::vector<std::string>& labels, uint16_t type) {
  std::string key;
  for (const std::string& label : labels) {
    key.push_back(static_cast<char>(label.size()));
    for (char c : label) key.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  key.push_back(static_cast<char>(type >> 8));
  key.push_back(static_cast<char>(type & 0xFF));
  return key;
}

void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v >> 16));
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
}

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// Questions of one asker waiting for the known answers of its truncated query.
struct PendingQuery {
  std::vector<std::string> questions;
  std::set<size_t> known;
  Clock::time_point due;
};

}  // namespace

ScalePublisher::~ScalePublisher() { Stop(); }

void ScalePublisher::Add(const std::string& name, const std::string& host, uint16_t port,
                         const std::vector<std::string>& txt) {
  std::vector<std::string> service{name, "_http", "_tcp", "local"};
  const std::vector<std::string> type{"_http", "_tcp", "local"};
  const std::vector<std::string> hostName{host, "local"};
  std::string txtData;
  for (const std::string& entry : txt) txtData += static_cast<char>(entry.size()) + entry;
  std::string srv;
  Put16(srv, 0);
  Put16(srv, 0);
  Put16(srv, port);
  srv += Wire(hostName);
  const auto add = [&](const std::vector<std::string>& owner, uint16_t rrType, bool unique, uint32_t ttl,
                       std::string data) {
    byQuestion_.emplace(Key(owner, rrType), records_.size());
    records_.push_back({Wire(owner), rrType, unique, ttl, std::move(data)});
  };
  add(type, kTypePtr, false, 4500, Wire(service));
  add(service, kTypeSrv, true, 120, srv);
  add(service, kTypeTxt, true, 4500, txtData);
  if (byQuestion_.count(Key(hostName, kTypeA)) == 0) {
    std::string a(4, '\0');
    add(hostName, kTypeA, true, 120, a);  // the address is filled in by Start
  }
}

bool ScalePublisher::Start(const std::string& namespacePath, const std::string& interfaceName,
                           const std::string& address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
    error_ = "no camera address";
    return false;
  }
  for (Record& record : records_)
    if (record.type == kTypeA) record.data.assign(reinterpret_cast<const char*>(&parsed.s_addr), 4);
  stop_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  std::promise<bool> opened;
  auto ready = opened.get_future();
  thread_ = std::thread([this, namespacePath, interfaceName, &opened] {
    const int ns = open(namespacePath.c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = ns >= 0 && setns(ns, CLONE_NEWNET) == 0;
    if (ns >= 0) close(ns);
    const bool ok = entered && OpenSocket(interfaceName);
    opened.set_value(ok);
    if (ok) Run();
  });
  if (!ready.get()) {
    thread_.join();
    if (error_.empty()) error_ = "cannot open the publisher's socket in " + namespacePath;
    return false;
  }
  return true;
}

void ScalePublisher::Stop() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    [[maybe_unused]] auto written = write(stop_, &one, sizeof one);
    thread_.join();
  }
  if (fd_ >= 0) close(fd_);
  if (stop_ >= 0) close(stop_);
  fd_ = stop_ = -1;
}

bool ScalePublisher::OpenSocket(const std::string& interfaceName) {
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  const int zero = 0;
  const int ttl = 255;
  const int buffer = 4 * 1024 * 1024;
  ip_mreqn group{};
  inet_pton(AF_INET, "224.0.0.251", &group.imr_multiaddr);
  group.imr_ifindex = static_cast<int>(if_nametoindex(interfaceName.c_str()));
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(kMdnsPort);
  const bool ok = fd_ >= 0 && group.imr_ifindex > 0 &&
                  setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0 &&
                  setsockopt(fd_, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one) == 0 &&
                  setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer) == 0 &&
                  setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer) == 0 &&
                  setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) == 0 &&
                  setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, &zero, sizeof zero) == 0 &&
                  setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &group, sizeof group) == 0 &&
                  bind(fd_, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0 &&
                  setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) == 0;
  if (!ok) error_ = std::string("publisher socket: ") + std::strerror(errno);
  return ok;
}

void ScalePublisher::Run() {
  std::vector<uint8_t> buffer(9000);
  std::vector<std::pair<sockaddr_in, PendingQuery>> pending;
  sockaddr_in group{};
  group.sin_family = AF_INET;
  group.sin_port = htons(kMdnsPort);
  inet_pton(AF_INET, "224.0.0.251", &group.sin_addr);

  const auto answer = [&](const PendingQuery& query) {
    std::string packet;
    uint16_t count = 0;
    const auto send = [&] {
      if (count == 0) return;
      std::string header;
      Put16(header, 0);
      Put16(header, 0x8400);
      Put16(header, 0);
      Put16(header, count);
      Put16(header, 0);
      Put16(header, 0);
      const std::string datagram = header + packet;
      sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&group), sizeof group);
      answers_ += count;
      packet.clear();
      count = 0;
    };
    for (const std::string& question : query.questions) {
      const auto [first, last] = byQuestion_.equal_range(question);
      for (auto it = first; it != last; ++it) {
        if (query.known.count(it->second) != 0) continue;
        const Record& r = records_[it->second];
        std::string rr = r.name;
        Put16(rr, r.type);
        Put16(rr, r.unique ? 0x8001 : 0x0001);
        Put32(rr, r.ttl);
        Put16(rr, static_cast<uint16_t>(r.data.size()));
        rr += r.data;
        if (12 + packet.size() + rr.size() > kPacketLimit) send();
        packet += rr;
        ++count;
      }
    }
    send();
  };

  for (;;) {
    int timeout = -1;
    const auto now = Clock::now();
    for (const auto& [from, query] : pending) {
      const int left = std::max(0, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(query.due - now).count()));
      timeout = timeout < 0 ? left : std::min(timeout, left);
    }
    pollfd fds[2] = {{stop_, POLLIN, 0}, {fd_, POLLIN, 0}};
    if (poll(fds, 2, timeout) < 0 && errno != EINTR) return;
    if (fds[0].revents != 0) return;
    for (auto it = pending.begin(); it != pending.end();) {
      if (Clock::now() < it->second.due) {
        ++it;
        continue;
      }
      answer(it->second);
      it = pending.erase(it);
    }
    if ((fds[1].revents & POLLIN) == 0) continue;
    for (;;) {
      sockaddr_in from{};
      socklen_t fromLength = sizeof from;
      const ssize_t got = recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (got < 12) break;
      const uint8_t* data = buffer.data();
      const size_t size = static_cast<size_t>(got);
      const uint16_t flags = Read16(data + 2);
      if ((flags & 0x8000) != 0) continue;  // a response
      const unsigned questions = Read16(data + 4);
      const unsigned knownAnswers = Read16(data + 6);
      size_t pos = 12;
      PendingQuery query;
      bool ok = true;
      for (unsigned i = 0; ok && i < questions; ++i) {
        std::vector<std::string> labels;
        ok = ReadMdnsName(data, size, &pos, &labels) && pos + 4 <= size;
        if (ok) query.questions.push_back(Key(labels, Read16(data + pos)));
        pos += 4;
      }
      for (unsigned i = 0; ok && i < knownAnswers; ++i) {
        std::vector<std::string> labels;
        ok = ReadMdnsName(data, size, &pos, &labels) && pos + 10 <= size;
        if (!ok) break;
        const uint16_t type = Read16(data + pos);
        const uint16_t length = Read16(data + pos + 8);
        pos += 10;
        ok = pos + length <= size;
        if (!ok) break;
        // A PTR's target may be compressed: compare what it names, not its bytes.
        std::string rdata(reinterpret_cast<const char*>(data + pos), length);
        if (type == kTypePtr) {
          std::vector<std::string> target;
          size_t at = pos;
          if (ReadMdnsName(data, size, &at, &target)) rdata = Wire(target);
        }
        const auto [first, last] = byQuestion_.equal_range(Key(labels, type));
        for (auto it = first; it != last; ++it)
          if (records_[it->second].data == rdata) query.known.insert(it->second);
        pos += length;
      }
      if (!ok) continue;
      questions_ += static_cast<long>(query.questions.size());
      const bool truncated = (flags & 0x0200) != 0;
      auto open = std::find_if(pending.begin(), pending.end(), [&](const auto& p) {
        return p.first.sin_addr.s_addr == from.sin_addr.s_addr && p.first.sin_port == from.sin_port;
      });
      if (open != pending.end() && query.questions.empty()) {
        open->second.known.insert(query.known.begin(), query.known.end());  // known answers go on
        if (!truncated) open->second.due = Clock::now();
        continue;
      }
      if (open != pending.end()) {
        answer(open->second);
        pending.erase(open);
      }
      if (query.questions.empty()) continue;
      if (!truncated) {
        answer(query);
        continue;
      }
      query.due = Clock::now() + kKnownAnswerWait;
      pending.emplace_back(from, std::move(query));
    }
  }
}
