#include "discovery/wide_area_dnssd.h"

#include <ares.h>
#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstring>

#include "discovery/dnssd_operation.h"
#include "platform/debug_trace.h"
#include "records/dnssd_full_name.h"

namespace ravix::widearea {
namespace {

using WireName = std::array<unsigned char, NS_MAXCDNAME>;

bool ToWire(const char* text, WireName& wire) { return ns_name_pton(text, wire.data(), wire.size()) >= 0; }

// Two uncompressed wire names equal without regard to ASCII case.
bool SameName(const unsigned char* a, const unsigned char* b) {
  for (;;) {
    if (*a != *b) return false;
    if (*a == 0) return true;
    const unsigned length = *a;
    for (unsigned i = 1; i <= length; ++i)
      if (std::tolower(a[i]) != std::tolower(b[i])) return false;
    a += length + 1;
    b += length + 1;
  }
}

// Calls take(msg, rr) for each answer-section record of type owned by owner.
template <typename Take>
void ForEachOwned(const unsigned char* message, std::size_t length, const std::string& owner, ns_type type,
                  Take take) {
  ns_msg msg{};
  WireName asked{};
  if (length > 0xFFFF || !ToWire(owner.c_str(), asked)) return;
  if (ns_initparse(message, static_cast<int>(length), &msg) < 0) return;
  const int count = std::min<int>(ns_msg_count(msg, ns_s_an), 512);
  for (int i = 0; i < count; ++i) {
    ns_rr rr{};
    if (ns_parserr(&msg, ns_s_an, i, &rr) < 0) return;
    if (ns_rr_type(rr) != type || ns_rr_class(rr) != ns_c_in) continue;
    WireName name{};
    if (!ToWire(ns_rr_name(rr), name) || !SameName(name.data(), asked.data())) continue;
    if (!take(msg, rr)) return;
  }
}

}  // namespace

std::vector<std::string> BrowseInstances(const unsigned char* message, std::size_t length, const std::string& service) {
  std::vector<std::string> instances;
  WireName serviceWire{};
  if (!ToWire(service.c_str(), serviceWire)) return instances;
  ForEachOwned(message, length, service, ns_t_ptr, [&](const ns_msg& msg, const ns_rr& rr) {
    WireName target{};
    if (ns_name_unpack(ns_msg_base(msg), ns_msg_end(msg), ns_rr_rdata(rr), target.data(), target.size()) < 0)
      return true;
    const unsigned label = target[0];
    if (label == 0 || !SameName(target.data() + label + 1, serviceWire.data())) return true;  // not one label below
    std::string instance(reinterpret_cast<const char*>(target.data() + 1), label);
    if (std::find(instances.begin(), instances.end(), instance) == instances.end() && instances.size() < 4096)
      instances.push_back(std::move(instance));
    return true;
  });
  return instances;
}

bool ServiceLocation(const unsigned char* message, std::size_t length, const std::string& instance, uint16_t& port,
                     std::string& target) {
  bool found = false;
  ForEachOwned(message, length, instance, ns_t_srv, [&](const ns_msg& msg, const ns_rr& rr) {
    if (ns_rr_rdlen(rr) < 7) return true;
    std::array<char, NS_MAXDNAME> host{};
    if (ns_name_uncompress(ns_msg_base(msg), ns_msg_end(msg), ns_rr_rdata(rr) + 6, host.data(), host.size()) < 0)
      return true;
    port = static_cast<uint16_t>((ns_rr_rdata(rr)[4] << 8) | ns_rr_rdata(rr)[5]);
    target = host.data();
    if (target.empty() || target.back() != '.') target += '.';
    found = true;
    return false;
  });
  return found;
}

bool ServiceText(const unsigned char* message, std::size_t length, const std::string& instance, std::string& txt) {
  bool found = false;
  ForEachOwned(message, length, instance, ns_t_txt, [&](const ns_msg&, const ns_rr& rr) {
    txt.assign(reinterpret_cast<const char*>(ns_rr_rdata(rr)), ns_rr_rdlen(rr));
    found = true;
    return false;
  });
  return found;
}

bool HostAddress(const unsigned char* message, std::size_t length, const std::string& host, uint32_t& address) {
  bool found = false;
  ForEachOwned(message, length, host, ns_t_a, [&](const ns_msg&, const ns_rr& rr) {
    if (ns_rr_rdlen(rr) != 4) return true;
    std::memcpy(&address, ns_rr_rdata(rr), 4);
    found = true;
    return false;
  });
  return found;
}

}  // namespace ravix::widearea

namespace {

using Clock = std::chrono::steady_clock;

std::string WithoutFinalDots(std::string text) {
  while (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

// An instance label as presentation text (dots, blanks and backslashes escaped).
std::string EscapedLabel(const std::string& label) {
  if (label.empty() || label.size() > 63) return {};
  std::array<unsigned char, 66> wire{};
  wire[0] = static_cast<unsigned char>(label.size());
  std::copy(label.begin(), label.end(), wire.begin() + 1);
  std::array<char, NS_MAXDNAME> text{};
  if (ns_name_ntop(wire.data(), text.data(), text.size()) < 0) return {};
  return WithoutFinalDots(text.data());
}

}  // namespace

// One browse or resolve: the client's operation and what its lookups found so far.
struct WideAreaDnssd::Job {
  _DNSServiceRef_t* op = nullptr;  // owned by the client; detached before it goes
  uint64_t id = 0;
  bool browse = false;
  std::string type;      // "_http._tcp"
  std::string domain;    // "cameras.test"
  std::string instance;  // resolve: the name unescaped ("far01")
  Clock::time_point due{};
  int inFlight = 0;
  std::set<std::string> known;  // browse: the instances reported
  // Resolve: this round's findings, and the answer delivered last.
  bool srvDone = false, txtDone = false, haveSrv = false, haveTxt = false;
  uint16_t port = 0;
  std::string target, txt;
  uint32_t address = 0;
  bool delivered = false;
  std::string lastTarget, lastTxt;
  uint16_t lastPort = 0;
  uint32_t lastAddress = 0;

  std::string ServiceName() const { return type + "." + domain + "."; }
  std::string InstanceName() const { return EscapedLabel(instance) + "." + ServiceName(); }
};

struct WideAreaDnssd::Lookup {
  WideAreaDnssd* owner = nullptr;
  uint64_t job = 0;
  int type = 0;
  std::string name;
};

struct WideAreaDnssd::Channel {
  ares_channel channel = nullptr;
  ~Channel() {
    if (channel != nullptr) ares_destroy(channel);  // pending lookups end with ARES_EDESTRUCTION
  }
};

namespace {

class WideAreaOperation : public _DNSServiceRef_t {
 public:
  template <typename Callback>
  WideAreaOperation(WideAreaDnssd& owner, Callback callback, void* context)
      : _DNSServiceRef_t(callback, context), owner_(owner) {}
  ~WideAreaOperation() override {
    if (const uint64_t job = job_.exchange(0); job != 0) owner_.Detach(job);
  }
  void SetJob(uint64_t job) { job_ = job; }
  // The lookups end before the operation (their owner's lock held): it is marked lost.
  void Orphan() {
    job_ = 0;
    MarkLost();
  }

 private:
  WideAreaDnssd& owner_;
  std::atomic<uint64_t> job_{0};
};

}  // namespace

WideAreaDnssd::WideAreaDnssd(std::vector<std::string> servers) : WideAreaDnssd(std::move(servers), Timing{}) {}

WideAreaDnssd::WideAreaDnssd(std::vector<std::string> servers, Timing timing)
    : servers_(std::move(servers)), timing_(timing) {}

WideAreaDnssd::~WideAreaDnssd() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    for (auto& [id, job] : jobs_) static_cast<WideAreaOperation*>(job->op)->Orphan();
    jobs_.clear();
  }
  if (wakeFd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] auto written = write(wakeFd_, &one, sizeof one);
  }
  if (thread_.joinable()) thread_.join();
  channel_.reset();
  pending_.clear();
  if (wakeFd_ >= 0) close(wakeFd_);
}

bool WideAreaDnssd::Start(std::string& error) {
  if (thread_.joinable()) return true;
  std::string csv;
  for (const std::string& server : servers_) csv += (csv.empty() ? "" : ",") + server;
  if (csv.empty()) {
    error = "no DNS server for the browse domains";
    return false;
  }
  if (const int rc = ares_library_init(ARES_LIB_INIT_ALL); rc != ARES_SUCCESS) {
    error = std::string("c-ares: ") + ares_strerror(rc);
    return false;
  }
  auto channel = std::make_unique<Channel>();
  ares_options options{};
  options.timeout = timing_.QueryTimeoutMs;
  options.tries = timing_.Tries;
  options.flags = ARES_FLAG_NOSEARCH | ARES_FLAG_NOALIASES;
  const int mask = ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_FLAGS;
  int rc = ares_init_options(&channel->channel, &options, mask);
  if (rc == ARES_SUCCESS) rc = ares_set_servers_ports_csv(channel->channel, csv.c_str());
  if (rc != ARES_SUCCESS) {
    error = "DNS servers '" + csv + "': " + ares_strerror(rc);
    return false;
  }
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) {
    error = "no eventfd for the lookup thread";
    return false;
  }
  channel_ = std::move(channel);
  thread_ = std::thread([this] { Run(); });
  DebugTrace("Wide-area DNS-SD: unicast lookups through %s", csv.c_str());
  return true;
}

DNSServiceErrorType WideAreaDnssd::Attach(std::unique_ptr<Job> job, DNSServiceRef* sdRef) {
  if (!thread_.joinable()) return kDNSServiceErr_ServiceNotRunning;
  if (job->domain.empty() || job->type.empty()) return kDNSServiceErr_Invalid;
  if (!job->browse && job->InstanceName().front() == '.') return kDNSServiceErr_Invalid;
  auto* op = static_cast<WideAreaOperation*>(job->op);
  if (!op->Valid()) return kDNSServiceErr_NoMemory;
  {
    std::lock_guard lock(mutex_);
    job->id = ++nextJob_;
    job->due = Clock::now();
    op->SetJob(job->id);
    jobs_.emplace(job->id, std::move(job));
  }
  const uint64_t one = 1;
  [[maybe_unused]] auto written = write(wakeFd_, &one, sizeof one);
  *sdRef = op;
  return 0;
}

DNSServiceErrorType WideAreaDnssd::Browse(DNSServiceRef* sdRef, DNSServiceFlags, uint32_t, const char* regtype,
                                          const char* domain, DNSServiceBrowseReply callBack, void* context) {
  if (sdRef == nullptr || regtype == nullptr || domain == nullptr || callBack == nullptr) return kDNSServiceErr_Invalid;
  auto op = std::make_unique<WideAreaOperation>(*this, callBack, context);
  auto job = std::make_unique<Job>();
  job->op = op.get();
  job->browse = true;
  job->type = WithoutFinalDots(regtype);
  job->domain = WithoutFinalDots(domain);
  const DNSServiceErrorType error = Attach(std::move(job), sdRef);
  if (error == 0) op.release();  // the client owns it now (DNSServiceRefDeallocate)
  return error;
}

DNSServiceErrorType WideAreaDnssd::Resolve(DNSServiceRef* sdRef, DNSServiceFlags, uint32_t, const char* name,
                                           const char* regtype, const char* domain, DNSServiceResolveReply callBack,
                                           void* context) {
  if (sdRef == nullptr || name == nullptr || regtype == nullptr || domain == nullptr || callBack == nullptr)
    return kDNSServiceErr_Invalid;
  auto op = std::make_unique<WideAreaOperation>(*this, callBack, context);
  auto job = std::make_unique<Job>();
  job->op = op.get();
  job->type = WithoutFinalDots(regtype);
  job->domain = WithoutFinalDots(domain);
  job->instance = name;
  const DNSServiceErrorType error = Attach(std::move(job), sdRef);
  if (error == 0) op.release();
  return error;
}

void WideAreaDnssd::Detach(uint64_t job) {
  std::lock_guard lock(mutex_);
  jobs_.erase(job);  // its lookups still under way find it gone
}

// --- the lookup thread ---------------------------------------------------------------------

void WideAreaDnssd::Run() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_) return;
    }
    StartDueRounds();
    IssueLookups();
    std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}};
    std::array<ares_socket_t, ARES_GETSOCK_MAXNUM> sockets{};
    const int bits = ares_getsock(channel_->channel, sockets.data(), ARES_GETSOCK_MAXNUM);
    for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
      short events = 0;
      if (ARES_GETSOCK_READABLE(bits, i)) events |= POLLIN;
      if (ARES_GETSOCK_WRITABLE(bits, i)) events |= POLLOUT;
      if (events != 0) fds.push_back({sockets[i], events, 0});
    }
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(NextDue() - Clock::now());
    timeval most{1, 0}, left{};
    if (const timeval* t = ares_timeout(channel_->channel, &most, &left); t != nullptr)
      wait = std::min(wait, std::chrono::milliseconds(t->tv_sec * 1000 + t->tv_usec / 1000 + 1));
    const int ready = poll(fds.data(), fds.size(), static_cast<int>(std::clamp<long long>(wait.count(), 0, 1000)));
    if (ready < 0) continue;  // EINTR
    if (fds[0].revents != 0) {
      uint64_t count = 0;
      [[maybe_unused]] auto got = read(wakeFd_, &count, sizeof count);
    }
    bool any = false;
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      any = true;
      const bool in = (fds[i].revents & (POLLIN | POLLERR | POLLHUP)) != 0;
      const bool out = (fds[i].revents & POLLOUT) != 0;
      ares_process_fd(channel_->channel, in ? fds[i].fd : ARES_SOCKET_BAD, out ? fds[i].fd : ARES_SOCKET_BAD);
    }
    if (!any) ares_process_fd(channel_->channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);  // timeouts
  }
}

Clock::time_point WideAreaDnssd::NextDue() {
  std::lock_guard lock(mutex_);
  auto next = Clock::now() + std::chrono::seconds(1);
  for (const auto& [id, job] : jobs_)
    if (job->inFlight == 0) next = std::min(next, job->due);
  return next;
}

void WideAreaDnssd::Queue(Job& job, int type, const std::string& name) {
  auto lookup = std::make_unique<Lookup>();
  lookup->owner = this;
  lookup->job = job.id;
  lookup->type = type;
  lookup->name = name;
  ++job.inFlight;
  pending_.push_back(std::move(lookup));
}

void WideAreaDnssd::StartDueRounds() {
  std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  for (auto& [id, job] : jobs_) {
    if (job->inFlight != 0 || job->due > now) continue;
    job->due = now + timing_.Refresh;
    if (job->browse) {
      Queue(*job, ns_t_ptr, job->ServiceName());
      continue;
    }
    job->srvDone = job->txtDone = job->haveSrv = job->haveTxt = false;
    job->address = 0;
    Queue(*job, ns_t_srv, job->InstanceName());
    Queue(*job, ns_t_txt, job->InstanceName());
  }
}

// Outside the lock: c-ares may call a callback at once (which takes it).
void WideAreaDnssd::IssueLookups() {
  while (!pending_.empty()) {
    std::vector<std::unique_ptr<Lookup>> batch;
    batch.swap(pending_);
    for (auto& lookup : batch) {
      Lookup* raw = lookup.release();  // owned by c-ares until LookupDone
      ares_query(channel_->channel, raw->name.c_str(), ns_c_in, raw->type, &WideAreaDnssd::LookupDone, raw);
    }
  }
}

void WideAreaDnssd::LookupDone(void* arg, int status, int, unsigned char* answer, int length) {
  const std::unique_ptr<Lookup> lookup(static_cast<Lookup*>(arg));
  if (status == ARES_EDESTRUCTION) return;
  lookup->owner->OnAnswer(*lookup, status, answer, answer != nullptr && length > 0 ? static_cast<std::size_t>(length) : 0);
}

void WideAreaDnssd::OnAnswer(const Lookup& lookup, int status, const unsigned char* answer, std::size_t length) {
  std::lock_guard lock(mutex_);
  const auto it = jobs_.find(lookup.job);
  if (it == jobs_.end()) return;  // the operation went meanwhile
  Job& job = *it->second;
  if (job.inFlight > 0) --job.inFlight;
  DebugTrace("Wide-area DNS-SD: %s type %d: %s", lookup.name.c_str(), lookup.type, ares_strerror(status));
  if (job.browse) {
    OnBrowseAnswer(job, status, answer, length);
    return;
  }
  OnResolveAnswer(job, lookup, status, answer, length);
}

// A name that does not exist, or has no PTR records, means no services; a failed lookup
// (timeout, refused) changes nothing.
void WideAreaDnssd::OnBrowseAnswer(Job& job, int status, const unsigned char* answer, std::size_t length) {
  if (status != ARES_SUCCESS && status != ARES_ENODATA && status != ARES_ENOTFOUND) return;
  const std::vector<std::string> found =
      status == ARES_SUCCESS ? ravix::widearea::BrowseInstances(answer, length, job.ServiceName())
                             : std::vector<std::string>();
  const std::string type = job.type + ".";
  const std::string domain = job.domain + ".";
  for (auto it = job.known.begin(); it != job.known.end();) {
    if (std::find(found.begin(), found.end(), *it) != found.end()) {
      ++it;
      continue;
    }
    job.op->PushBrowse(0, 0, 0, *it, type, domain);
    it = job.known.erase(it);
  }
  for (const std::string& instance : found)
    if (job.known.insert(instance).second) job.op->PushBrowse(kDNSServiceFlagsAdd, 0, 0, instance, type, domain);
}

void WideAreaDnssd::OnResolveAnswer(Job& job, const Lookup& lookup, int status, const unsigned char* answer,
                                    std::size_t length) {
  const bool ok = status == ARES_SUCCESS;
  if (lookup.type == ns_t_srv) {
    job.srvDone = true;
    job.haveSrv = ok && ravix::widearea::ServiceLocation(answer, length, lookup.name, job.port, job.target);
  } else if (lookup.type == ns_t_txt) {
    job.txtDone = true;
    job.haveTxt = ok && ravix::widearea::ServiceText(answer, length, lookup.name, job.txt);
  } else if (lookup.type == ns_t_a) {
    if (!ok || !ravix::widearea::HostAddress(answer, length, lookup.name, job.address)) job.address = 0;
    EndResolveRound(job);
    return;
  }
  if (!job.srvDone || !job.txtDone) return;
  if (!job.haveSrv || !job.haveTxt) return;  // asked again at the next refresh
  Queue(job, ns_t_a, job.target);  // the address is DNS's for the SRV target, nobody else's
}

// Delivers the round's answer when it differs from the one delivered last. A target
// without an address is delivered with none: the camera is listed, not contacted.
void WideAreaDnssd::EndResolveRound(Job& job) {
  if (job.delivered && job.target == job.lastTarget && job.port == job.lastPort && job.txt == job.lastTxt &&
      job.address == job.lastAddress)
    return;
  char fullName[kFullNameBufferSize];
  if (DNSServiceConstructFullName(fullName, job.instance.c_str(), (job.type + ".").c_str(),
                                  (job.domain + ".").c_str()) != 0)
    return;
  job.delivered = true;
  job.lastTarget = job.target;
  job.lastPort = job.port;
  job.lastTxt = job.txt;
  job.lastAddress = job.address;
  job.op->PushResolve(0, 0, fullName, job.target, htons(job.port), job.txt, job.address);
}
