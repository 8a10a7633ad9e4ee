#include "discovery/avahi_client_backend.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/thread-watch.h>
#include <dbus/dbus.h>

#include <cstring>
#include <string>

#include "discovery/avahi_reply_format.h"
#include "discovery/dnssd_operation.h"

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
    PushResolveEvent(*self, interface, event, name, type, domain, hostName, port, txt);
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

AvahiClientBackend::AvahiClientBackend() : poll_(avahi_threaded_poll_new()) {
  if (poll_ != nullptr && avahi_threaded_poll_start(poll_) < 0) {
    avahi_threaded_poll_free(poll_);
    poll_ = nullptr;
  }
}

AvahiClientBackend::~AvahiClientBackend() {
  if (poll_ == nullptr) return;
  {
    std::lock_guard lock(mutex_);
    avahi_threaded_poll_lock(poll_);
    for (auto& connection : connections_) {
      for (ClientOperation* op : connection->operations) {
        op->Stop();
        op->MarkLost();
        op->connection = nullptr;
      }
      connection->operations.clear();
    }
    avahi_threaded_poll_unlock(poll_);
  }
  avahi_threaded_poll_stop(poll_);
  connections_.clear();
  avahi_threaded_poll_free(poll_);
}

size_t AvahiClientBackend::ConnectionCount() const {
  std::lock_guard lock(mutex_);
  return connections_.size();
}

AvahiClientBackend::Connection* AvahiClientBackend::ConnectionWithRoom() {
  for (auto& connection : connections_)
    if (!connection->lost && connection->operations.size() < kOperationsPerConnection) return connection.get();
  auto connection = std::make_unique<Connection>();
  connection->backend = this;
  int error = 0;
  connection->client = avahi_client_new(avahi_threaded_poll_get(poll_), AvahiClientFlags(0), &ClientStateChanged,
                                        connection.get(), &error);
  if (connection->client == nullptr) return nullptr;
  connections_.push_back(std::move(connection));
  return connections_.back().get();
}

DNSServiceErrorType AvahiClientBackend::Attach(ClientOperation* op) {
  if (poll_ == nullptr) return kDNSServiceErr_ServiceNotRunning;
  if (!op->Valid()) return kDNSServiceErr_NoMemory;
  std::lock_guard lock(mutex_);
  avahi_threaded_poll_lock(poll_);
  DNSServiceErrorType result = kDNSServiceErr_ServiceNotRunning;
  if (Connection* connection = ConnectionWithRoom()) {
    result = kDNSServiceErr_Invalid;
    if (op->Start(connection->client)) {
      op->connection = connection;
      connection->operations.insert(op);
      result = 0;
    }
  }
  avahi_threaded_poll_unlock(poll_);
  return result;
}

void AvahiClientBackend::Detach(ClientOperation* op) {
  std::lock_guard lock(mutex_);
  if (op->connection == nullptr) return;
  avahi_threaded_poll_lock(poll_);
  op->Stop();
  op->connection->operations.erase(op);
  op->connection = nullptr;
  avahi_threaded_poll_unlock(poll_);
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
