#include "discovery/avahi_client_backend.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/thread-watch.h>
#include <dbus/dbus.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "discovery/avahi_reply_format.h"
#include "discovery/dnssd_operation.h"

struct AvahiClientBackend::Lane {
  AvahiClientBackend* backend = nullptr;
  AvahiThreadedPoll* poll = nullptr;
  int wakeFd = -1;  // readable while lookups are queued
  AvahiWatch* wakeWatch = nullptr;
  std::mutex mutex;  // guards queued; nothing else is taken while it is held
  std::vector<ClientOperation*> queued;
  std::vector<std::unique_ptr<Connection>> connections;  // poll lock

  ~Lane() {
    if (poll != nullptr) avahi_threaded_poll_stop(poll);
    connections.clear();
    if (wakeWatch != nullptr) avahi_threaded_poll_get(poll)->watch_free(wakeWatch);
    if (poll != nullptr) avahi_threaded_poll_free(poll);
    if (wakeFd >= 0) close(wakeFd);
  }
  void Wake() const {
    const uint64_t one = 1;
    [[maybe_unused]] auto written = write(wakeFd, &one, sizeof one);
  }
};

struct AvahiClientBackend::Connection {
  AvahiClientBackend* backend = nullptr;
  AvahiClient* client = nullptr;
  bool lost = false;
  std::set<ClientOperation*> operations;

  ~Connection() {
    if (client != nullptr) avahi_client_free(client);
  }
};

class ClientOperation : public _DNSServiceRef_t {
 public:
  ClientOperation(AvahiClientBackend& backend, DNSServiceBrowseReply callback, void* context, uint32_t interfaceIndex,
                  const char* type, const char* domain)
      : _DNSServiceRef_t(callback, context),
        backend_(backend),
        interface_(ToAvahiInterface(interfaceIndex)),
        type_(AvahiName(type)),
        domain_(AvahiName(domain)) {}
  ClientOperation(AvahiClientBackend& backend, DNSServiceResolveReply callback, void* context,
                  uint32_t interfaceIndex, const char* name, const char* type, const char* domain)
      : _DNSServiceRef_t(callback, context),
        backend_(backend),
        interface_(ToAvahiInterface(interfaceIndex)),
        name_(name),
        type_(AvahiName(type)),
        domain_(AvahiName(domain)) {}
  ~ClientOperation() override { backend_.Detach(this); }

  AvahiClientBackend::Lane* lane = nullptr;
  AvahiClientBackend::Connection* connection = nullptr;

  // Poll lock held.
  bool Start(AvahiClient* client) {
    const char* domain = domain_.empty() ? nullptr : domain_.c_str();
    if (IsBrowse()) {
      browser_ = avahi_service_browser_new(client, interface_, AVAHI_PROTO_UNSPEC, type_.c_str(), domain,
                                           AvahiLookupFlags(0), &ClientOperation::BrowseEvent, this);
      return browser_ != nullptr;
    }
    resolver_ = avahi_service_resolver_new(client, interface_, AVAHI_PROTO_UNSPEC, name_.c_str(), type_.c_str(),
                                           domain, AVAHI_PROTO_UNSPEC, AVAHI_LOOKUP_NO_ADDRESS,
                                           &ClientOperation::ResolveEvent, this);
    return resolver_ != nullptr;
  }

  // Poll lock held.
  void Stop() {
    if (browser_ != nullptr) avahi_service_browser_free(browser_);
    if (resolver_ != nullptr) avahi_service_resolver_free(resolver_);
    browser_ = nullptr;
    resolver_ = nullptr;
  }

  // The daemon refused the lookup object: the operation answers with an error once.
  void PushStartFailure() {
    if (IsBrowse())
      PushBrowse(0, 0, kDNSServiceErr_Unknown, "", "", "");
    else
      PushResolve(0, kDNSServiceErr_Unknown, "", "", 0, "");
  }

  // The connection died: its lookup objects died with it.
  void Forget() {
    browser_ = nullptr;
    resolver_ = nullptr;
  }

 private:
  static void BrowseEvent(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
                          AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
                          AvahiLookupResultFlags, void* userdata) {
    auto* self = static_cast<ClientOperation*>(userdata);
    self->tracker_.OnEvent(*self, interface, protocol, event, name, type, domain);
  }

  static void ResolveEvent(AvahiServiceResolver*, AvahiIfIndex interface, AvahiProtocol, AvahiResolverEvent event,
                           const char* name, const char* type, const char* domain, const char* hostName,
                           const AvahiAddress*, uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags,
                           void* userdata) {
    auto* self = static_cast<ClientOperation*>(userdata);
    PushResolveEvent(*self, interface, event, name, type, domain, hostName, port, txt, TxtListOrder::WireOrder);
  }

  AvahiClientBackend& backend_;
  AvahiIfIndex interface_;
  std::string name_;
  std::string type_;
  std::string domain_;
  AvahiServiceBrowser* browser_ = nullptr;
  AvahiServiceResolver* resolver_ = nullptr;
  AvahiBrowseTracker tracker_;
};

namespace {

void ClientStateChanged(AvahiClient*, AvahiClientState state, void* userdata) {
  auto* connection = static_cast<AvahiClientBackend::Connection*>(userdata);
  if (state == AVAHI_CLIENT_FAILURE && connection->backend != nullptr) connection->backend->ConnectionLost(connection);
}

bool NameListed(DBusConnection* bus, const char* method, const char* name) {
  DBusMessage* call = dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                   "org.freedesktop.DBus", method);
  if (call == nullptr) return false;
  DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, call, 2000, nullptr);
  dbus_message_unref(call);
  if (reply == nullptr) return false;
  bool found = false;
  char** names = nullptr;
  int count = 0;
  if (dbus_message_get_args(reply, nullptr, DBUS_TYPE_ARRAY, DBUS_TYPE_STRING, &names, &count, DBUS_TYPE_INVALID)) {
    for (int i = 0; i < count && !found; ++i) found = std::strcmp(names[i], name) == 0;
    dbus_free_string_array(names);
  }
  dbus_message_unref(reply);
  return found;
}

}  // namespace

bool AvahiClientBackend::DaemonAnswers(bool* installed) {
  if (installed != nullptr) *installed = false;
  DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, nullptr);
  if (bus == nullptr) return false;
  dbus_connection_set_exit_on_disconnect(bus, FALSE);
  const char* name = "org.freedesktop.Avahi";
  const bool running = NameListed(bus, "ListNames", name);
  if (!running && installed != nullptr) *installed = NameListed(bus, "ListActivatableNames", name);
  dbus_connection_close(bus);
  dbus_connection_unref(bus);
  return running;
}

namespace {

void LaneWoken(AvahiWatch*, int fd, AvahiWatchEvent, void* userdata) {
  uint64_t count = 0;
  [[maybe_unused]] auto got = read(fd, &count, sizeof count);
  auto* lane = static_cast<AvahiClientBackend::Lane*>(userdata);
  lane->backend->StartQueued(*lane);
}

}  // namespace

AvahiClientBackend::AvahiClientBackend() {
  for (unsigned i = 0; i < kLanes; ++i) {
    auto lane = std::make_unique<Lane>();
    lane->backend = this;
    lane->poll = avahi_threaded_poll_new();
    lane->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (lane->poll == nullptr || lane->wakeFd < 0) break;
    const AvahiPoll* api = avahi_threaded_poll_get(lane->poll);
    lane->wakeWatch = api->watch_new(api, lane->wakeFd, AVAHI_WATCH_IN, &LaneWoken, lane.get());
    if (lane->wakeWatch == nullptr || avahi_threaded_poll_start(lane->poll) < 0) break;
    lanes_.push_back(std::move(lane));
  }
  if (lanes_.size() != kLanes) lanes_.clear();
}

AvahiClientBackend::~AvahiClientBackend() {
  for (auto& lane : lanes_) {
    avahi_threaded_poll_lock(lane->poll);
    {
      std::lock_guard lock(lane->mutex);
      for (ClientOperation* op : lane->queued) {
        op->MarkLost();
        op->lane = nullptr;
      }
      lane->queued.clear();
    }
    for (auto& connection : lane->connections) {
      for (ClientOperation* op : connection->operations) {
        op->Stop();
        op->MarkLost();
        op->connection = nullptr;
        op->lane = nullptr;
      }
      connection->operations.clear();
    }
    avahi_threaded_poll_unlock(lane->poll);
  }
  lanes_.clear();
}

size_t AvahiClientBackend::ConnectionCount() const {
  size_t count = 0;
  for (const auto& lane : lanes_) {
    avahi_threaded_poll_lock(lane->poll);
    count += lane->connections.size();
    avahi_threaded_poll_unlock(lane->poll);
  }
  return count;
}

AvahiClientBackend::Connection* AvahiClientBackend::ConnectionWithRoom(Lane& lane) {
  for (auto& connection : lane.connections)
    if (!connection->lost && connection->operations.size() < kOperationsPerConnection) return connection.get();
  auto connection = std::make_unique<Connection>();
  connection->backend = this;
  int error = 0;
  connection->client = avahi_client_new(avahi_threaded_poll_get(lane.poll), AvahiClientFlags(0), &ClientStateChanged,
                                        connection.get(), &error);
  if (connection->client == nullptr) return nullptr;
  lane.connections.push_back(std::move(connection));
  return lane.connections.back().get();
}

bool AvahiClientBackend::StartNow(Lane& lane, ClientOperation* op) {
  Connection* connection = ConnectionWithRoom(lane);
  if (connection == nullptr || !op->Start(connection->client)) return false;
  op->connection = connection;
  connection->operations.insert(op);
  return true;
}

void AvahiClientBackend::StartQueued(Lane& lane) {
  std::vector<ClientOperation*> batch;
  bool more = false;
  {
    std::lock_guard lock(lane.mutex);
    const size_t n = std::min<size_t>(lane.queued.size(), kStartsPerTurn);
    batch.assign(lane.queued.begin(), lane.queued.begin() + static_cast<std::ptrdiff_t>(n));
    lane.queued.erase(lane.queued.begin(), lane.queued.begin() + static_cast<std::ptrdiff_t>(n));
    more = !lane.queued.empty();
  }
  if (more) lane.Wake();  // the rest after the loop has turned
  // A Detach meanwhile waits for this lane's poll lock, so every operation taken here is
  // started (or fails) before it can be stopped.
  for (ClientOperation* op : batch) {
    if (!StartNow(lane, op)) op->PushStartFailure();
  }
}

DNSServiceErrorType AvahiClientBackend::Attach(ClientOperation* op) {
  if (lanes_.empty()) return kDNSServiceErr_ServiceNotRunning;
  if (!op->Valid()) return kDNSServiceErr_NoMemory;
  Lane& lane = *lanes_[nextLane_++ % lanes_.size()];
  op->lane = &lane;
  if (!op->IsBrowse()) {
    {
      std::lock_guard lock(lane.mutex);
      lane.queued.push_back(op);
    }
    lane.Wake();
    return 0;
  }
  avahi_threaded_poll_lock(lane.poll);
  const bool started = StartNow(lane, op);
  avahi_threaded_poll_unlock(lane.poll);
  if (started) return 0;
  op->lane = nullptr;
  return kDNSServiceErr_ServiceNotRunning;
}

void AvahiClientBackend::Detach(ClientOperation* op) {
  Lane* lane = op->lane;
  if (lane == nullptr) return;
  {
    std::lock_guard lock(lane->mutex);
    const auto it = std::find(lane->queued.begin(), lane->queued.end(), op);
    if (it != lane->queued.end()) {
      lane->queued.erase(it);  // never started
      return;
    }
  }
  avahi_threaded_poll_lock(lane->poll);
  if (op->connection != nullptr) {
    op->Stop();
    op->connection->operations.erase(op);
    op->connection = nullptr;
  }
  op->lane = nullptr;
  avahi_threaded_poll_unlock(lane->poll);
}

void AvahiClientBackend::ConnectionLost(Connection* connection) {
  // Poll thread, poll lock held by the loop; the client's lookup objects are gone.
  connection->lost = true;
  for (ClientOperation* op : connection->operations) {
    op->Forget();
    op->MarkLost();
  }
}

DNSServiceErrorType AvahiClientBackend::Browse(DNSServiceRef* sdRef, DNSServiceFlags, uint32_t interfaceIndex,
                                               const char* regtype, const char* domain,
                                               DNSServiceBrowseReply callBack, void* context) {
  if (sdRef == nullptr || regtype == nullptr || callBack == nullptr) return kDNSServiceErr_Invalid;
  auto op = std::make_unique<ClientOperation>(*this, callBack, context, interfaceIndex, regtype, domain);
  const DNSServiceErrorType error = Attach(op.get());
  if (error != 0) return error;
  *sdRef = op.release();
  return 0;
}

DNSServiceErrorType AvahiClientBackend::Resolve(DNSServiceRef* sdRef, DNSServiceFlags, uint32_t interfaceIndex,
                                                const char* name, const char* regtype, const char* domain,
                                                DNSServiceResolveReply callBack, void* context) {
  if (sdRef == nullptr || name == nullptr || regtype == nullptr || callBack == nullptr) return kDNSServiceErr_Invalid;
  auto op = std::make_unique<ClientOperation>(*this, callBack, context, interfaceIndex, name, regtype, domain);
  const DNSServiceErrorType error = Attach(op.get());
  if (error != 0) return error;
  *sdRef = op.release();
  return 0;
}
