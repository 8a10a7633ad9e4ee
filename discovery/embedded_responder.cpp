#include "discovery/embedded_responder.h"

#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/thread-watch.h>
#include <avahi-common/timeval.h>
#include <avahi-common/watch.h>
#include <avahi-core/core.h>
#include <avahi-core/log.h>
#include <avahi-core/lookup.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <set>
#include <string>

#include "discovery/avahi_reply_format.h"
#include "discovery/mdns_change_listener.h"
#include "platform/debug_trace.h"

// One browse or resolve served by the embedded responder. Its lookup object exists while
// the responder runs and is awake; the avahi callbacks run on the poll thread.
class CoreOperation : public _DNSServiceRef_t {
 public:
  CoreOperation(EmbeddedResponder& responder, DNSServiceBrowseReply callback, void* context, uint32_t interfaceIndex,
                const char* type, const char* domain)
      : _DNSServiceRef_t(callback, context),
        responder_(responder),
        interface_(ToAvahiInterface(interfaceIndex)),
        type_(AvahiName(type)),
        domain_(AvahiName(domain)) {}
  CoreOperation(EmbeddedResponder& responder, DNSServiceResolveReply callback, void* context, uint32_t interfaceIndex,
                const char* name, const char* type, const char* domain)
      : _DNSServiceRef_t(callback, context),
        responder_(responder),
        interface_(ToAvahiInterface(interfaceIndex)),
        name_(name),
        type_(AvahiName(type)),
        domain_(AvahiName(domain)),
        nameKey_(MdnsNameKey(name_, type_, domain_.empty() ? "local" : domain_)) {}
  ~CoreOperation() override { responder_.Detach(this); }

  const std::string& NameKey() const { return nameKey_; }

  // Poll lock held by the caller.
  bool Start(AvahiServer* server, const AvahiPoll* poll) {
    poll_ = poll;
    const char* domain = domain_.empty() ? nullptr : domain_.c_str();
    if (IsBrowse()) {
      browser_ = avahi_s_service_browser_new(server, interface_, AVAHI_PROTO_UNSPEC, type_.c_str(), domain,
                                             AvahiLookupFlags(0), &CoreOperation::BrowseEvent, this);
      return browser_ != nullptr;
    }
    if (!responder_.TakeLookupSlot(this)) return true;  // started when a slot is free
    return StartResolver(server);
  }

  // A queued resolve gets its turn (poll thread).
  void StartQueued(AvahiServer* server) {
    if (!StartResolver(server)) PushResolve(ToInterfaceIndex(interface_), kDNSServiceErr_Unknown, "", "", 0, "");
  }

  // Poll lock held by the caller.
  void Stop() {
    responder_.Dequeue(this);
    LeaveSlot();
    if (browser_ != nullptr) avahi_s_service_browser_free(browser_);
    if (resolver_ != nullptr) avahi_s_service_resolver_free(resolver_);
    if (sweep_ != nullptr) poll_->timeout_free(sweep_);
    if (quiet_ != nullptr) poll_->timeout_free(quiet_);
    if (following_) responder_.Unfollow(this);
    browser_ = nullptr;
    resolver_ = nullptr;
    sweep_ = nullptr;
    quiet_ = nullptr;
    following_ = false;
  }

  // A record of the followed service heard after its lookup ended (poll thread): a new
  // TXT, port or host is delivered like a further resolve reply.
  void OnHeard(const MdnsServiceRecord& record) {
    if (!following_) return;
    if (interface_ != AVAHI_IF_UNSPEC && record.interfaceIndex != static_cast<uint32_t>(interface_)) return;
    if (record.type == 16 && record.txt != answer_.txt) {
      answer_.txt = record.txt;
    } else if (record.type == 33 && (htons(record.port) != answer_.portNetworkOrder || record.target != answer_.host)) {
      answer_.portNetworkOrder = htons(record.port);
      answer_.host = record.target;
    } else {
      return;
    }
    DebugTrace("embedded responder: %s of '%s' changed", record.type == 16 ? "TXT" : "SRV", answer_.fullName.c_str());
    PushAnswer();
  }

  // Poll lock held by the caller: the lookup object is created anew. Services not seen
  // again are reported gone once the cache has been read; after a sleep (freshCache) the
  // cache is empty, so that waits until the cameras had time to answer the new queries.
  void Restart(AvahiServer* server, const AvahiPoll* poll, bool freshCache) {
    Stop();
    tracker_.Restart();
    delaySweep_ = freshCache;
    Start(server, poll);
  }

 private:
  static constexpr unsigned kSweepAfterWakeMs = 5000;  // the first three query rounds
  static constexpr unsigned kSlotHoldMs = 1500;  // two query rounds of a lookup

  static void BrowseEvent(AvahiSServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
                          AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
                          AvahiLookupResultFlags, void* userdata) {
    auto* self = static_cast<CoreOperation*>(userdata);
    if (event == AVAHI_BROWSER_CACHE_EXHAUSTED && self->delaySweep_ && self->DelaySweep()) return;
    self->tracker_.OnEvent(*self, interface, protocol, event, name, type, domain);
  }

  bool DelaySweep() {
    delaySweep_ = false;
    timeval when{};
    avahi_elapse_time(&when, kSweepAfterWakeMs, 0);
    sweep_ = poll_->timeout_new(poll_, &when, &CoreOperation::SweepEvent, this);
    return sweep_ != nullptr;
  }

  static void SweepEvent(AvahiTimeout* timeout, void* userdata) {
    auto* self = static_cast<CoreOperation*>(userdata);
    self->poll_->timeout_free(timeout);
    self->sweep_ = nullptr;
    self->tracker_.OnEvent(*self, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AVAHI_BROWSER_CACHE_EXHAUSTED, nullptr, nullptr,
                           nullptr);
  }

  static void ResolveEvent(AvahiSServiceResolver*, AvahiIfIndex interface, AvahiProtocol, AvahiResolverEvent event,
                           const char* name, const char* type, const char* domain, const char* hostName,
                           const AvahiAddress*, uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags,
                           void* userdata) {
    auto* self = static_cast<CoreOperation*>(userdata);
    self->LeaveSlot();  // answered or failed: the next resolve may ask
    char fullName[kFullNameBufferSize];
    if (event != AVAHI_RESOLVER_FOUND || DNSServiceConstructFullName(fullName, name, type, domain) != 0) {
      PushResolveEvent(*self, interface, event, name, type, domain, hostName, port, txt, TxtListOrder::LastEntryFirst);
      return;
    }
    self->answer_ = {ToInterfaceIndex(interface), fullName, WithFinalDot(hostName), htons(port),
                     SerializeTxt(txt, TxtListOrder::LastEntryFirst)};
    self->PushAnswer();
    self->EndLookupSoon();
  }

  bool StartResolver(AvahiServer* server) {
    const char* domain = domain_.empty() ? nullptr : domain_.c_str();
    resolver_ = avahi_s_service_resolver_new(server, interface_, AVAHI_PROTO_UNSPEC, name_.c_str(), type_.c_str(),
                                             domain, AVAHI_PROTO_UNSPEC, AVAHI_LOOKUP_NO_ADDRESS,
                                             &CoreOperation::ResolveEvent, this);
    holdsSlot_ = resolver_ != nullptr;
    if (!holdsSlot_) {
      responder_.ReleaseLookupSlot();
      return false;
    }
    // A camera that does not answer gives its place up after a while and goes on asking.
    timeval later{};
    avahi_elapse_time(&later, kSlotHoldMs, 0);
    slotTimer_ = poll_->timeout_new(poll_, &later, &CoreOperation::SlotTimeEvent, this);
    return true;
  }

  void LeaveSlot() {
    if (slotTimer_ != nullptr) poll_->timeout_free(slotTimer_);
    slotTimer_ = nullptr;
    if (!holdsSlot_) return;
    holdsSlot_ = false;
    responder_.ReleaseLookupSlot();
  }

  static void SlotTimeEvent(AvahiTimeout*, void* userdata) { static_cast<CoreOperation*>(userdata)->LeaveSlot(); }

  void PushAnswer() {
    PushResolve(answer_.interfaceIndex, 0, answer_.fullName, answer_.host, answer_.portNetworkOrder, answer_.txt);
  }

  // Once answered, the resolve's own lookup ends: a live one would ask for the service's
  // SRV and TXT again after 1, 3, 7 ... s, and thousands of them flood the link and both
  // responders. Later changes are heard by the responder's shared listener. The lookup
  // is freed from the poll loop, not inside its own callback. Without a listener the
  // lookup stays.
  void EndLookupSoon() {
    if (quiet_ != nullptr || nameKey_.empty() || !responder_.CanFollow()) return;
    timeval now{};
    avahi_elapse_time(&now, 0, 0);
    quiet_ = poll_->timeout_new(poll_, &now, &CoreOperation::QuietEvent, this);
  }

  static void QuietEvent(AvahiTimeout* timeout, void* userdata) {
    auto* self = static_cast<CoreOperation*>(userdata);
    self->poll_->timeout_free(timeout);
    self->quiet_ = nullptr;
    if (self->resolver_ == nullptr) return;
    avahi_s_service_resolver_free(self->resolver_);
    self->resolver_ = nullptr;
    self->following_ = true;
    self->responder_.Follow(self);
  }

  EmbeddedResponder& responder_;
  AvahiIfIndex interface_;
  std::string name_;
  std::string type_;
  std::string domain_;
  AvahiSServiceBrowser* browser_ = nullptr;
  AvahiSServiceResolver* resolver_ = nullptr;
  const AvahiPoll* poll_ = nullptr;
  AvahiTimeout* sweep_ = nullptr;  // the delayed sweep after a wake
  bool delaySweep_ = false;
  AvahiBrowseTracker tracker_;
  // Resolve: the key of the service's name, the last answer delivered, the pending end
  // of the lookup, and whether the shared listener follows the service now.
  std::string nameKey_;
  struct Answer {
    uint32_t interfaceIndex = 0;
    std::string fullName;
    std::string host;
    uint16_t portNetworkOrder = 0;
    std::string txt;
  } answer_;
  AvahiTimeout* quiet_ = nullptr;
  bool following_ = false;
  bool holdsSlot_ = false;  // one of the responder's unanswered resolve lookups
  AvahiTimeout* slotTimer_ = nullptr;  // gives the place up when no answer comes
};

namespace {

unsigned SystemThreadId() { return static_cast<unsigned>(gettid()); }

// Status lines of the responder's service code: always written, whatever the trace switch.
void ServiceStatus(const char* line) {
  std::fputs(line, stderr);
  std::fflush(stderr);
}

// The responder library's own log lines go to the trace like everything else.
void LibraryLog(AvahiLogLevel, const char* text) { DebugTrace("avahi: %s", text); }

constexpr uint16_t kMdnsPort = 5353;
// Receive buffer asked for the responder's sockets; the kernel grants at most
// net.core.rmem_max (doubled), which on a stock system is still twice its default.
constexpr int kReceiveBufferBytes = 2 * 1024 * 1024;
// Datagrams the change listener reads per turn of the poll loop, and its pause after a
// full batch: a burst of 250 cameras' announcements still passes within a few turns.
constexpr int kListenerBatch = 32;
constexpr unsigned kListenerPauseMs = 2;

bool IsMdnsDatagramSocket(int fd) {
  int type = 0;
  socklen_t length = sizeof type;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_DGRAM) return false;
  sockaddr_storage address{};
  length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port) == kMdnsPort;
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port) == kMdnsPort;
  return false;
}

// The process's UDP sockets on the mDNS port. avahi-core opens its sockets itself and
// offers no hook for their options, so they are found by their port.
std::set<int> MdnsSockets() {
  std::set<int> sockets;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return sockets;
  const int own = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd == own) continue;
    if (IsMdnsDatagramSocket(static_cast<int>(fd))) sockets.insert(static_cast<int>(fd));
  }
  closedir(dir);
  return sockets;
}

// A burst of answers from many cameras arrives faster than the poll thread reads it while
// lookups are being created; with the kernel's default buffer the rest is dropped and
// waits for the next query round.
void WidenReceiveBuffers(const std::set<int>& before) {
  for (const int fd : MdnsSockets()) {
    if (before.count(fd) != 0) continue;
    int size = kReceiveBufferBytes;
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0) continue;
    socklen_t length = sizeof size;
    if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, &length) == 0)
      DebugTrace("embedded responder: receive buffer of socket %d: %d bytes", fd, size);
  }
}

}  // namespace

namespace {

// kLookupWindow, or RAVIX_LOOKUP_WINDOW (1 to 100000) for benchmarks.
int LookupWindow() {
  const char* text = std::getenv("RAVIX_LOOKUP_WINDOW");
  if (text == nullptr) return EmbeddedResponder::kLookupWindow;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > 100000) return EmbeddedResponder::kLookupWindow;
  return static_cast<int>(value);
}

}  // namespace

EmbeddedResponder::EmbeddedResponder() : lookupWindow_(LookupWindow()) {}

EmbeddedResponder::~EmbeddedResponder() = default;

int EmbeddedResponder::RunServiceInThread(AutoResetEvent* ready) {
  const int error = Initialise();
  if (error != 0) {
    if (ready != nullptr) ready->Set();
    return error;
  }
  char line[96];
  std::snprintf(line, sizeof line, "Running mDNSResponder service directly in thread %u\n", SystemThreadId());
  ServiceStatus(line);
  if (ready != nullptr) ready->Set();
  stopEvent_.Wait();
  Finalise();
  if (ready != nullptr) ready->Set();
  return 0;
}

int EmbeddedResponder::StopServiceThread() {
  ServiceStatus("Telling Thread to stop\n");
  stopEvent_.Set();
  return 0;
}

// The server of this process: the PC's own addresses are published under its host name.
AvahiServer* EmbeddedResponder::NewServer(int* error) {
  AvahiServerConfig config;
  avahi_server_config_init(&config);
  config.n_cache_entries_max = kCacheEntries;
  config.publish_addresses = 1;
  config.publish_hinfo = 0;
  config.publish_workstation = 0;
  config.publish_domain = 0;
  config.disallow_other_stacks = 0;
  // An adapter that loses its link drops what it learned: a camera unplugged meanwhile
  // sends no goodbye and would otherwise come back from the cache for over an hour.
  config.use_iff_running = 1;
  // Browse domains other than local. are looked up by WideAreaDnssd, never by
  // avahi-core's wide-area engine (which matches answers by ID alone).
  config.enable_wide_area = 0;
  const std::set<int> before = MdnsSockets();
  AvahiServer* server = avahi_server_new(avahi_threaded_poll_get(poll_), &config, nullptr, nullptr, error);
  avahi_server_config_free(&config);
  if (server != nullptr) WidenReceiveBuffers(before);
  return server;
}

int EmbeddedResponder::Initialise() {
  std::lock_guard lock(mutex_);
  if (running_) return AVAHI_ERR_BAD_STATE;
  avahi_set_log_function(&LibraryLog);
  poll_ = avahi_threaded_poll_new();
  if (poll_ == nullptr) return AVAHI_ERR_NO_MEMORY;
  OpenListener();
  int error = 0;
  server_ = NewServer(&error);
  if (server_ == nullptr || avahi_threaded_poll_start(poll_) < 0) {
    CloseListener();
    if (server_ != nullptr) avahi_server_free(server_);
    avahi_threaded_poll_free(poll_);
    server_ = nullptr;
    poll_ = nullptr;
    return error != 0 ? error : AVAHI_ERR_FAILURE;
  }
  running_ = true;
  sleeping_ = false;
  return 0;
}

void EmbeddedResponder::Finalise() {
  std::lock_guard lock(mutex_);
  running_ = false;
  avahi_threaded_poll_lock(poll_);
  for (CoreOperation* op : operations_) {
    op->Stop();
    op->MarkLost();
  }
  operations_.clear();
  avahi_threaded_poll_unlock(poll_);
  avahi_threaded_poll_stop(poll_);
  if (refill_ != nullptr) avahi_threaded_poll_get(poll_)->timeout_free(refill_);
  refill_ = nullptr;
  queuedResolves_.clear();
  unansweredLookups_ = 0;
  CloseListener();
  if (server_ != nullptr) avahi_server_free(server_);  // none while asleep
  avahi_threaded_poll_free(poll_);
  server_ = nullptr;
  poll_ = nullptr;
}

void EmbeddedResponder::CoreMachineSleep(bool sleeping) {
  std::lock_guard lock(mutex_);
  if (!running_) return;
  RunOnPollThread(sleeping ? &EmbeddedResponder::FallAsleep : &EmbeddedResponder::WakeUp);
}

namespace {

struct PollTask {
  EmbeddedResponder* responder;
  void (EmbeddedResponder::*work)();
  const AvahiPoll* api;
  std::promise<void> done;
};

void RunPollTask(AvahiTimeout* timeout, void* userdata) {
  auto* task = static_cast<PollTask*>(userdata);
  (task->responder->*task->work)();
  task->api->timeout_free(timeout);
  task->done.set_value();
}

}  // namespace

// Replacing the server closes and opens sockets, which the poll loop only takes safely
// from its own thread: a watch added while the loop sits in poll() is dispatched before it
// was ever polled (an assertion in libavahi-common). The work runs as an immediate timeout
// of the loop, and the caller waits for it.
void EmbeddedResponder::RunOnPollThread(void (EmbeddedResponder::*work)()) {
  PollTask task{this, work, avahi_threaded_poll_get(poll_), {}};
  std::future<void> finished = task.done.get_future();
  timeval now{};
  avahi_elapse_time(&now, 0, 0);
  avahi_threaded_poll_lock(poll_);
  AvahiTimeout* timeout = task.api->timeout_new(task.api, &now, &RunPollTask, &task);
  avahi_threaded_poll_unlock(poll_);
  if (timeout == nullptr) {
    DebugTrace("embedded responder: no timeout for the sleep change");
    return;
  }
  finished.wait();
}

// avahi-core withdraws a server's records only when the server goes: freeing it sends the
// goodbye packets of the host's address records, so the PC's name stops answering at once
// instead of lingering in the neighbours' caches. The lookups are stopped first. Poll
// thread.
void EmbeddedResponder::FallAsleep() {
  if (sleeping_) return;
  for (CoreOperation* op : operations_) op->Stop();
  avahi_server_free(server_);
  server_ = nullptr;
  sleeping_ = true;
  DebugTrace("embedded responder asleep: announcements withdrawn");
}

// After a sleep a new server probes and announces the host name again; awake or not,
// every browse and resolve queries the network anew. A server that cannot be created now
// leaves the responder asleep; the next wake tries again. Poll thread.
void EmbeddedResponder::WakeUp() {
  const bool freshCache = sleeping_;
  if (sleeping_) {
    int error = 0;
    server_ = NewServer(&error);
    if (server_ == nullptr) {
      DebugTrace("embedded responder stays asleep: %s", avahi_strerror(error));
      return;
    }
    sleeping_ = false;
  }
  for (CoreOperation* op : operations_) op->Restart(server_, avahi_threaded_poll_get(poll_), freshCache);
}

// The listener lives in the responder's network namespace (this thread's) and is read by
// the poll loop. Without it every resolve keeps its own lookup, as before.
void EmbeddedResponder::OpenListener() {
  auto listener = std::make_unique<MdnsChangeListener>();
  if (!listener->Open(kReceiveBufferBytes)) {
    DebugTrace("embedded responder: no mDNS listener (errno %i); resolves keep their lookups", errno);
    return;
  }
  const AvahiPoll* api = avahi_threaded_poll_get(poll_);
  listenerWatch_ = api->watch_new(api, listener->Descriptor(), AVAHI_WATCH_IN, &EmbeddedResponder::ListenerEvent, this);
  if (listenerWatch_ != nullptr) listener_ = std::move(listener);
}

// The poll loop is stopped or was never started.
void EmbeddedResponder::CloseListener() {
  const AvahiPoll* api = avahi_threaded_poll_get(poll_);
  if (listenerWatch_ != nullptr) api->watch_free(listenerWatch_);
  listenerWatch_ = nullptr;
  if (listenerResume_ != nullptr) api->timeout_free(listenerResume_);
  listenerResume_ = nullptr;
  listener_.reset();
  followers_.clear();
}

// A flood on the mDNS port must not keep the poll loop on this socket: after a batch the
// listener pauses briefly, so that the server's own sockets and timers get their turn
// (the poll loop serves the watch listed first). The datagrams wait in the socket.
void EmbeddedResponder::ListenerEvent(AvahiWatch* watch, int, AvahiWatchEvent, void* userdata) {
  auto* self = static_cast<EmbeddedResponder*>(userdata);
  const bool more = self->listener_->Read(
      [self](const MdnsServiceRecord& record) {
        const auto [first, last] = self->followers_.equal_range(record.nameKey);
        for (auto it = first; it != last; ++it) it->second->OnHeard(record);
      },
      kListenerBatch);
  if (!more || self->listenerResume_ != nullptr) return;
  const AvahiPoll* api = avahi_threaded_poll_get(self->poll_);
  timeval due{};
  avahi_elapse_time(&due, kListenerPauseMs, 0);
  self->listenerResume_ = api->timeout_new(api, &due, &EmbeddedResponder::ListenerResumeEvent, self);
  if (self->listenerResume_ != nullptr) api->watch_update(watch, static_cast<AvahiWatchEvent>(0));
}

void EmbeddedResponder::ListenerResumeEvent(AvahiTimeout* timeout, void* userdata) {
  auto* self = static_cast<EmbeddedResponder*>(userdata);
  const AvahiPoll* api = avahi_threaded_poll_get(self->poll_);
  api->timeout_free(timeout);
  self->listenerResume_ = nullptr;
  if (self->listenerWatch_ != nullptr) api->watch_update(self->listenerWatch_, AVAHI_WATCH_IN);
}

bool EmbeddedResponder::CanFollow() const { return listener_ != nullptr; }

bool EmbeddedResponder::TakeLookupSlot(CoreOperation* op) {
  if (unansweredLookups_ < lookupWindow_) {
    ++unansweredLookups_;
    return true;
  }
  queuedResolves_.push_back(op);
  return false;
}

void EmbeddedResponder::ReleaseLookupSlot() {
  if (unansweredLookups_ > 0) --unansweredLookups_;
  if (queuedResolves_.empty() || refill_ != nullptr || poll_ == nullptr) return;
  // Started from the poll loop, not inside the callback that freed the slot.
  const AvahiPoll* api = avahi_threaded_poll_get(poll_);
  timeval now{};
  avahi_elapse_time(&now, 0, 0);
  refill_ = api->timeout_new(api, &now, &EmbeddedResponder::RefillEvent, this);
}

void EmbeddedResponder::Dequeue(CoreOperation* op) { std::erase(queuedResolves_, op); }

void EmbeddedResponder::RefillEvent(AvahiTimeout* timeout, void* userdata) {
  auto* self = static_cast<EmbeddedResponder*>(userdata);
  avahi_threaded_poll_get(self->poll_)->timeout_free(timeout);
  self->refill_ = nullptr;
  while (self->server_ != nullptr && !self->queuedResolves_.empty() && self->unansweredLookups_ < self->lookupWindow_) {
    CoreOperation* op = self->queuedResolves_.front();
    self->queuedResolves_.pop_front();
    ++self->unansweredLookups_;
    op->StartQueued(self->server_);
  }
}

void EmbeddedResponder::Follow(CoreOperation* op) { followers_.emplace(op->NameKey(), op); }

void EmbeddedResponder::Unfollow(CoreOperation* op) {
  const auto [first, last] = followers_.equal_range(op->NameKey());
  for (auto it = first; it != last; ++it) {
    if (it->second != op) continue;
    followers_.erase(it);
    return;
  }
}

std::string EmbeddedResponder::HostNameFqdn() const {
  std::lock_guard lock(mutex_);
  if (server_ == nullptr) return {};
  avahi_threaded_poll_lock(poll_);
  std::string name = avahi_server_get_host_name_fqdn(server_);
  avahi_threaded_poll_unlock(poll_);
  return name;
}

size_t EmbeddedResponder::FollowedResolves() const {
  std::lock_guard lock(mutex_);
  if (!running_) return 0;
  avahi_threaded_poll_lock(poll_);
  const size_t count = followers_.size();
  avahi_threaded_poll_unlock(poll_);
  return count;
}

bool EmbeddedResponder::IsRunning() const {
  std::lock_guard lock(mutex_);
  return running_;
}

bool EmbeddedResponder::HasOperations() const {
  std::lock_guard lock(mutex_);
  return !operations_.empty();
}

DNSServiceErrorType EmbeddedResponder::Attach(CoreOperation* op) {
  std::lock_guard lock(mutex_);
  if (!running_) return kDNSServiceErr_ServiceNotRunning;
  if (!op->Valid()) return kDNSServiceErr_NoMemory;
  bool started = true;
  if (!sleeping_) {
    avahi_threaded_poll_lock(poll_);
    started = op->Start(server_, avahi_threaded_poll_get(poll_));
    avahi_threaded_poll_unlock(poll_);
  }
  if (!started) return kDNSServiceErr_Invalid;
  operations_.insert(op);
  return 0;
}

void EmbeddedResponder::Detach(CoreOperation* op) {
  std::lock_guard lock(mutex_);
  if (operations_.erase(op) == 0) return;
  avahi_threaded_poll_lock(poll_);
  op->Stop();
  avahi_threaded_poll_unlock(poll_);
}

DNSServiceErrorType EmbeddedResponder::Browse(DNSServiceRef* sdRef, DNSServiceFlags, uint32_t interfaceIndex,
                                              const char* regtype, const char* domain, DNSServiceBrowseReply callBack,
                                              void* context) {
  if (sdRef == nullptr || regtype == nullptr || callBack == nullptr) return kDNSServiceErr_Invalid;
  auto op = std::make_unique<CoreOperation>(*this, callBack, context, interfaceIndex, regtype, domain);
  const DNSServiceErrorType error = Attach(op.get());
  if (error != 0) return error;
  *sdRef = op.release();
  return 0;
}

DNSServiceErrorType EmbeddedResponder::Resolve(DNSServiceRef* sdRef, DNSServiceFlags, uint32_t interfaceIndex,
                                               const char* name, const char* regtype, const char* domain,
                                               DNSServiceResolveReply callBack, void* context) {
  if (sdRef == nullptr || name == nullptr || regtype == nullptr || callBack == nullptr) return kDNSServiceErr_Invalid;
  auto op = std::make_unique<CoreOperation>(*this, callBack, context, interfaceIndex, name, regtype, domain);
  const DNSServiceErrorType error = Attach(op.get());
  if (error != 0) return error;
  *sdRef = op.release();
  return 0;
}
