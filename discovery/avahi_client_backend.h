#pragma once
// The platform DNS-SD service: avahi-daemon reached over D-Bus through libavahi-client.
// Operations are spread over kLanes lanes, each a threaded poll with client connections of
// its own; a connection carries at most kOperationsPerConnection operations (the daemon
// refuses more objects per client), further ones open another connection. Creating a
// lookup object is a blocking D-Bus round trip: resolves are queued and created by their
// lane's poll thread, so the caller never waits for the daemon and the lanes keep several
// round trips in flight. A browse is created at once, so that its failure is returned.

#include <atomic>
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
  static constexpr unsigned kLanes = 4;
  // Lookups a lane creates in one go before its poll loop turns again.
  static constexpr unsigned kStartsPerTurn = 16;

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
  struct Lane;
  // Called by an operation's destructor.
  void Detach(ClientOperation* op);
  // Poll thread: a connection failed (daemon gone).
  void ConnectionLost(Connection* connection);
  // Lane's poll thread: creates the queued lookups, kStartsPerTurn at a time.
  void StartQueued(Lane& lane);

 private:
  // Creates the operation's lookup object now (browse) or queues it for its lane (resolve).
  DNSServiceErrorType Attach(ClientOperation* op);
  // Lane's poll lock held: false when the daemon refused or cannot be reached.
  bool StartNow(Lane& lane, ClientOperation* op);
  Connection* ConnectionWithRoom(Lane& lane);  // lane's poll lock held

  std::vector<std::unique_ptr<Lane>> lanes_;  // fixed after construction; empty when no poll runs
  std::atomic<unsigned> nextLane_{0};
};
