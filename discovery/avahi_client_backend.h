#pragma once
// The platform DNS-SD service: avahi-daemon reached over D-Bus through libavahi-client.
// All operations share client connections on one threaded poll; a connection carries at
// most kOperationsPerConnection operations (the daemon refuses more objects per client),
// further ones open another connection.

#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "discovery/dnssd.h"

struct AvahiClient;
struct AvahiThreadedPoll;
class ClientOperation;

class AvahiClientBackend : public DnssdBackend {
 public:
  static constexpr unsigned kOperationsPerConnection = 1000;

  AvahiClientBackend();
  ~AvahiClientBackend() override;
  AvahiClientBackend(const AvahiClientBackend&) = delete;
  AvahiClientBackend& operator=(const AvahiClientBackend&) = delete;

  // Whether avahi-daemon is registered on the system bus (asking does not start it).
  // When installed but not running, *installed tells so.
  static bool DaemonAnswers(bool* installed = nullptr);

  DNSServiceErrorType Browse(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                             const char* regtype, const char* domain, DNSServiceBrowseReply callBack,
                             void* context) override;
  DNSServiceErrorType Resolve(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex, const char* name,
                              const char* regtype, const char* domain, DNSServiceResolveReply callBack,
                              void* context) override;

  size_t ConnectionCount() const;

  struct Connection;
  // Called by an operation's destructor.
  void Detach(ClientOperation* op);
  // Poll thread: a connection failed (daemon gone).
  void ConnectionLost(Connection* connection);

 private:
  DNSServiceErrorType Attach(ClientOperation* op);
  Connection* ConnectionWithRoom();  // poll lock held

  mutable std::mutex mutex_;  // guards connections_; taken before the poll lock
  AvahiThreadedPoll* poll_ = nullptr;
  std::vector<std::unique_ptr<Connection>> connections_;
};
