#include "discovery/unicast_dnssd_query.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netinet/in.h>
#include <poll.h>
#include <resolv.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <numeric>
#include <unordered_map>

#include "platform/debug_trace.h"

namespace ravix {
namespace {

constexpr uint16_t kMdnsPort = 5353;
constexpr std::size_t kMaxMessage = 9000;
constexpr std::size_t kMaxHosts = 16384;  // questions per host: PTR twice, SRV, TXT

using Labels = std::vector<std::string>;

// Labels of a wire-format (uncompressed) name.
Labels SplitWireName(const unsigned char* wire) {
  Labels labels;
  for (std::size_t i = 0; wire[i] != 0 && labels.size() < 128;) {
    const std::size_t length = wire[i];
    labels.emplace_back(reinterpret_cast<const char*>(wire + i + 1), length);
    i += length + 1;
  }
  return labels;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool SameLabels(const Labels& a, std::size_t from, const Labels& b) {
  if (a.size() - from != b.size()) return false;
  for (std::size_t i = 0; i < b.size(); ++i)
    if (Lower(a[from + i]) != Lower(b[i])) return false;
  return true;
}

// "_http._tcp" → {"_http", "_tcp", "local"}
Labels TypeLabels(const std::string& type) {
  Labels labels;
  std::size_t start = 0;
  while (start <= type.size()) {
    const auto dot = type.find('.', start);
    const std::string label = type.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (!label.empty()) labels.push_back(label);
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  labels.emplace_back("local");
  return labels;
}

bool OwnerLabels(const ns_rr& rr, Labels& labels) {
  std::array<unsigned char, NS_MAXCDNAME> wire{};
  if (ns_name_pton(ns_rr_name(rr), wire.data(), wire.size()) < 0) return false;
  labels = SplitWireName(wire.data());
  return true;
}

bool RdataName(const ns_msg& msg, const unsigned char* at, Labels* labels, std::string* text) {
  std::array<unsigned char, NS_MAXCDNAME> wire{};
  if (ns_name_unpack(ns_msg_base(msg), ns_msg_end(msg), at, wire.data(), wire.size()) < 0) return false;
  if (labels != nullptr) *labels = SplitWireName(wire.data());
  if (text != nullptr) {
    std::array<char, NS_MAXDNAME> presentation{};
    if (ns_name_ntop(wire.data(), presentation.data(), presentation.size()) < 0) return false;
    *text = presentation.data();
    if (text->empty() || text->back() != '.') *text += '.';
  }
  return true;
}

// The entry of instance (first label) in services, made when there is room.
UnicastService* ServiceFor(std::vector<UnicastService>& services, uint32_t address, const std::string& instance,
                           const std::string& type, std::size_t maxServices, bool create) {
  std::size_t count = 0;
  for (UnicastService& s : services) {
    if (s.Address != address) continue;
    ++count;
    if (Lower(s.Name) == Lower(instance)) return &s;
  }
  if (!create || count >= maxServices || instance.empty()) return nullptr;
  UnicastService s;
  s.Address = address;
  s.Name = instance;
  s.Type = type + ".";
  s.Domain = "local.";
  services.push_back(std::move(s));
  return &services.back();
}

void TakeRecord(const ns_msg& msg, const ns_rr& rr, uint32_t address, const std::string& type,
                const Labels& typeLabels, std::size_t maxServices, std::vector<UnicastService>& services) {
  if (ns_rr_class(rr) != ns_c_in) return;
  Labels owner;
  if (!OwnerLabels(rr, owner)) return;
  switch (ns_rr_type(rr)) {
    case ns_t_ptr: {
      Labels target;
      if (!SameLabels(owner, 0, typeLabels) || !RdataName(msg, ns_rr_rdata(rr), &target, nullptr)) return;
      if (target.size() != typeLabels.size() + 1 || !SameLabels(target, 1, typeLabels)) return;
      ServiceFor(services, address, target.front(), type, maxServices, true);
      return;
    }
    case ns_t_srv: {
      if (owner.size() != typeLabels.size() + 1 || !SameLabels(owner, 1, typeLabels) || ns_rr_rdlen(rr) < 7) return;
      UnicastService* s = ServiceFor(services, address, owner.front(), type, maxServices, false);
      std::string host;
      if (s == nullptr || !RdataName(msg, ns_rr_rdata(rr) + 6, nullptr, &host)) return;
      s->Port = static_cast<uint16_t>((ns_rr_rdata(rr)[4] << 8) | ns_rr_rdata(rr)[5]);
      s->HostTarget = host;
      s->HasSrv = true;
      return;
    }
    case ns_t_txt: {
      if (owner.size() != typeLabels.size() + 1 || !SameLabels(owner, 1, typeLabels)) return;
      UnicastService* s = ServiceFor(services, address, owner.front(), type, maxServices, false);
      if (s == nullptr) return;
      s->Txt.assign(ns_rr_rdata(rr), ns_rr_rdata(rr) + ns_rr_rdlen(rr));
      s->HasTxt = true;
      return;
    }
    default:
      return;
  }
}

// A query of one question; false when the name does not fit.
bool BuildQuery(uint16_t id, const std::string& name, ns_type type, std::vector<unsigned char>& packet) {
  packet.assign(NS_HFIXEDSZ, 0);
  packet[0] = static_cast<unsigned char>(id >> 8);
  packet[1] = static_cast<unsigned char>(id);
  packet[5] = 1;  // one question
  std::array<unsigned char, NS_MAXCDNAME> wire{};
  const int length = ns_name_pton(name.c_str(), wire.data(), wire.size());
  if (length < 0) return false;
  std::size_t size = 0;
  while (size < wire.size() && wire[size] != 0) size += wire[size] + 1u;
  packet.insert(packet.end(), wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(size + 1));
  packet.push_back(0);
  packet.push_back(static_cast<unsigned char>(type));
  packet.push_back(0);
  packet.push_back(static_cast<unsigned char>(ns_c_in));
  return true;
}

// A service instance name as a presentation-form DNS name (dots and backslashes escaped).
std::string InstanceName(const UnicastService& s) {
  std::array<unsigned char, NS_MAXCDNAME> wire{};
  const std::size_t length = std::min<std::size_t>(s.Name.size(), 63);
  wire[0] = static_cast<unsigned char>(length);
  std::copy_n(s.Name.begin(), length, wire.begin() + 1);
  wire[length + 1] = 0;
  std::array<char, NS_MAXDNAME> text{};
  if (ns_name_ntop(wire.data(), text.data(), text.size()) < 0) return {};
  return std::string(text.data()) + "." + s.Type + s.Domain;
}

class QuerySocket {
 public:
  QuerySocket() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
  ~QuerySocket() {
    if (fd_ >= 0) close(fd_);
  }
  QuerySocket(const QuerySocket&) = delete;
  QuerySocket& operator=(const QuerySocket&) = delete;
  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void Send(uint32_t address, const std::vector<unsigned char>& packet) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kMdnsPort);
    to.sin_addr.s_addr = address;
    // A refused or unreachable host simply does not answer.
    [[maybe_unused]] const auto sent =
        sendto(fd_, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }

 private:
  int fd_;
};

// Query IDs drawn at random without repeats: the 65536 IDs in an order from the kernel's
// random source, so that no host can tell the ID of a question it did not see.
class QueryIds {
 public:
  QueryIds() : order_(0x10000) {
    std::iota(order_.begin(), order_.end(), 0);
    std::vector<uint32_t> random(order_.size());
    ok_ = FillRandom(random.data(), random.size() * sizeof(uint32_t));
    for (std::size_t i = order_.size() - 1; i > 0; --i) std::swap(order_[i], order_[random[i] % (i + 1)]);
  }
  bool ok() const { return ok_; }
  bool Next(uint16_t& id) {
    if (!ok_ || next_ >= order_.size()) return false;
    id = static_cast<uint16_t>(order_[next_++]);
    return true;
  }

 private:
  static bool FillRandom(void* data, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t got = getrandom(bytes + done, size - done, 0);
      if (got > 0) done += static_cast<std::size_t>(got);
      else if (errno != EINTR) return false;
    }
    return true;
  }
  std::vector<uint32_t> order_;
  bool ok_ = false;
  std::size_t next_ = 0;
};

struct AskedQuestion {
  std::size_t host = 0;
  std::string name;
  uint16_t type = 0;
};

}  // namespace

void ParseUnicastAnswer(const unsigned char* message, std::size_t length, uint32_t address, const std::string& type,
                        std::size_t maxServices, std::vector<UnicastService>& services) {
  ns_msg msg{};
  if (ns_initparse(message, static_cast<int>(length), &msg) < 0) return;
  if (ns_msg_getflag(msg, ns_f_qr) == 0) return;  // a query, not an answer
  const Labels typeLabels = TypeLabels(type);
  // PTR first, so that SRV and TXT of the same message find their service.
  for (const int wantPtr : {1, 0}) {
    for (const ns_sect section : {ns_s_an, ns_s_ns, ns_s_ar}) {
      const int count = std::min<int>(ns_msg_count(msg, section), 256);
      for (int i = 0; i < count; ++i) {
        ns_rr rr{};
        if (ns_parserr(&msg, section, i, &rr) < 0) break;
        if ((ns_rr_type(rr) == ns_t_ptr) != (wantPtr == 1)) continue;
        TakeRecord(msg, rr, address, type, typeLabels, maxServices, services);
      }
    }
  }
}

bool AnswersQuestion(const unsigned char* message, std::size_t length, uint16_t id, const std::string& name,
                     uint16_t type) {
  ns_msg msg{};
  if (length > kMaxMessage || ns_initparse(message, static_cast<int>(length), &msg) < 0) return false;
  if (ns_msg_getflag(msg, ns_f_qr) == 0 || ns_msg_id(msg) != id || ns_msg_count(msg, ns_s_qd) != 1) return false;
  ns_rr question{};
  if (ns_parserr(&msg, ns_s_qd, 0, &question) < 0) return false;
  // The unicast-response bit (top bit of the class) may come back set.
  if (ns_rr_type(question) != type || (ns_rr_class(question) & 0x7FFF) != ns_c_in) return false;
  std::array<unsigned char, NS_MAXCDNAME> asked{};
  std::array<unsigned char, NS_MAXCDNAME> answered{};
  if (ns_name_pton(name.c_str(), asked.data(), asked.size()) < 0) return false;
  if (ns_name_pton(ns_rr_name(question), answered.data(), answered.size()) < 0) return false;
  const Labels a = SplitWireName(asked.data());
  const Labels b = SplitWireName(answered.data());
  return SameLabels(a, 0, b);
}

std::vector<UnicastService> QueryUnicastDnssd(const std::vector<uint32_t>& addresses, const std::string& type,
                                              const UnicastQueryLimits& limits) {
  std::vector<UnicastService> services;
  QuerySocket sock;
  if (!sock.ok() || addresses.empty() || addresses.size() > kMaxHosts) return services;
  QueryIds ids;
  if (!ids.ok()) {
    DebugTrace("QueryUnicastDnssd: no random source for query IDs (errno %i); nobody asked", errno);
    return services;
  }
  struct Host {
    bool followedUp = false;
    bool answered = false;
  };
  std::vector<Host> hosts(addresses.size());
  // Every question goes out under an ID of its own, drawn at random: an answer is taken
  // only under an ID asked, from the host asked, for the question asked.
  std::unordered_map<uint16_t, AskedQuestion> asked;
  const auto ask = [&](std::size_t host, const std::string& name, ns_type qtype) {
    uint16_t id = 0;
    std::vector<unsigned char> query;
    if (!ids.Next(id) || !BuildQuery(id, name, qtype, query)) return;
    asked[id] = AskedQuestion{host, name, static_cast<uint16_t>(qtype)};
    sock.Send(addresses[host], query);
  };
  const auto askAll = [&](bool onlySilent) {
    for (std::size_t i = 0; i < hosts.size(); ++i)
      if (!onlySilent || !hosts[i].answered) ask(i, type + ".local.", ns_t_ptr);
  };

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const auto deadline = start + limits.Timeout;
  askAll(false);
  bool repeated = false;

  std::vector<unsigned char> buffer(kMaxMessage);
  for (;;) {
    const auto now = Clock::now();
    if (now >= deadline || (limits.Cancel != nullptr && *limits.Cancel)) break;
    if (!repeated && now - start >= limits.Timeout / 3) {  // one more try for what got lost
      repeated = true;
      askAll(true);
    }
    const bool complete = !services.empty() && std::all_of(services.begin(), services.end(), [](const UnicastService& s) {
      return s.HasSrv && s.HasTxt;
    });
    if (complete && repeated) break;
    pollfd pfd{sock.fd(), POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    if (poll(&pfd, 1, static_cast<int>(std::min<long long>(left, 50))) <= 0) continue;
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t got = recvfrom(sock.fd(), buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (got < NS_HFIXEDSZ || from.sin_family != AF_INET || ntohs(from.sin_port) != kMdnsPort) continue;
    const auto id = static_cast<uint16_t>((buffer[0] << 8) | buffer[1]);
    const auto question = asked.find(id);
    if (question == asked.end()) continue;  // nobody was asked under that ID
    const std::size_t host = question->second.host;
    const uint32_t address = addresses[host];
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    if (from.sin_addr.s_addr != address ||
        !AnswersQuestion(buffer.data(), static_cast<std::size_t>(got), id, question->second.name,
                         question->second.type)) {
      DebugTrace("QueryUnicastDnssd: answer for ID %u from %s refused (not the host or question asked)",
                 static_cast<unsigned>(id), text);
      continue;
    }
    DebugTrace("QueryUnicastDnssd: %zd bytes from %s for ID %u", got, text, static_cast<unsigned>(id));
    asked.erase(question);  // one answer per question
    hosts[host].answered = true;
    ParseUnicastAnswer(buffer.data(), static_cast<std::size_t>(got), address, type, limits.MaxServicesPerHost,
                       services);
    if (hosts[host].followedUp) continue;
    hosts[host].followedUp = true;
    for (const UnicastService& s : services) {
      if (s.Address != address) continue;
      const std::string name = InstanceName(s);
      if (name.empty()) continue;
      if (!s.HasSrv) ask(host, name, ns_t_srv);
      if (!s.HasTxt) ask(host, name, ns_t_txt);
    }
  }
  const auto incomplete = [](const UnicastService& s) { return !s.HasSrv || !s.HasTxt; };
  services.erase(std::remove_if(services.begin(), services.end(), incomplete), services.end());
  DebugTrace("QueryUnicastDnssd: %zu address(es), %zu service(s)", addresses.size(), services.size());
  return services;
}

}  // namespace ravix
