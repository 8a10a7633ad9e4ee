#pragma once
// The DNS-SD responder the finder runs itself when the platform has none: an avahi-core
// server on its own threaded poll loop. RunServiceInThread is the body of the responder
// thread (initialise, signal ready, wait for the stop event, finalise); the client
// operations of the engine are served directly as DnssdBackend.

#include <avahi-common/watch.h>

#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "discovery/auto_reset_event.h"
#include "discovery/dnssd.h"

struct AvahiServer;
struct AvahiThreadedPoll;
class CoreOperation;
class MdnsChangeListener;

class EmbeddedResponder : public DnssdBackend {
 public:
  // Cache room: a camera brings about five records (PTR, SRV, TXT, addresses).
  static constexpr unsigned kCacheEntries = 20000;

  EmbeddedResponder();
  ~EmbeddedResponder() override;
  EmbeddedResponder(const EmbeddedResponder&) = delete;
  EmbeddedResponder& operator=(const EmbeddedResponder&) = delete;

  // 0 after a normal stop, else the initialisation error (an Avahi error code). The ready
  // event is signalled after initialisation (also when it failed) and after finalisation.
  int RunServiceInThread(AutoResetEvent* ready);
  // Tells RunServiceInThread to finalise and return; 0.
  int StopServiceThread();
  // Sleeping true suspends every browse and resolve and withdraws the PC's own address
  // records (goodbye packets); false announces them again after a sleep and runs every
  // browse and resolve anew so that every service answers again. Does nothing unless the
  // responder runs (not before a start, after a failed one or after the stop).
  void CoreMachineSleep(bool sleeping);
  bool IsRunning() const;
  // Whether any browse or resolve is attached (a requery would ask something again).
  bool HasOperations() const;
  // Resolves whose lookup has ended after their answer and which the shared listener
  // follows now.
  size_t FollowedResolves() const;
  // The PC's host name as published ("name.local"); empty unless running and awake.
  std::string HostNameFqdn() const;

  DNSServiceErrorType Browse(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                             const char* regtype, const char* domain, DNSServiceBrowseReply callBack,
                             void* context) override;
  DNSServiceErrorType Resolve(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex, const char* name,
                              const char* regtype, const char* domain, DNSServiceResolveReply callBack,
                              void* context) override;

  // Called by an operation's destructor.
  void Detach(CoreOperation* op);
  // A resolve whose lookup ended is followed by the shared listener (TXT and SRV records
  // heard on the link). Poll lock held (poll thread or the caller of an operation's Stop).
  bool CanFollow() const;
  void Follow(CoreOperation* op);
  void Unfollow(CoreOperation* op);
  // Resolves ask in a window: at most kLookupWindow lookups wait for their first answer,
  // the others queue in order of creation. Thousands of lookups created at once make
  // avahi-core's question scheduling quadratic and the answers arrive in one burst.
  // False when the operation was queued. Poll lock held.
  // RAVIX_LOOKUP_WINDOW (1 to 100000) replaces it for benchmarks.
  static constexpr int kLookupWindow = 200;
  bool TakeLookupSlot(CoreOperation* op);
  void ReleaseLookupSlot();
  void Dequeue(CoreOperation* op);

 private:
  int Initialise();
  void Finalise();
  AvahiServer* NewServer(int* error);
  // Run on the poll thread while the caller holds mutex_ and waits.
  void RunOnPollThread(void (EmbeddedResponder::*work)());
  void FallAsleep();
  void WakeUp();
  DNSServiceErrorType Attach(CoreOperation* op);
  void OpenListener();
  void CloseListener();
  static void ListenerEvent(AvahiWatch* watch, int fd, AvahiWatchEvent event, void* userdata);
  static void ListenerResumeEvent(AvahiTimeout* timeout, void* userdata);
  static void RefillEvent(AvahiTimeout* timeout, void* userdata);

  mutable std::mutex mutex_;  // guards everything below; taken before the poll lock
  AvahiThreadedPoll* poll_ = nullptr;
  AvahiServer* server_ = nullptr;  // null while asleep
  bool running_ = false;
  bool sleeping_ = false;
  std::set<CoreOperation*> operations_;
  AutoResetEvent stopEvent_;
  // Hears the services whose resolves have answered; set while running. The followers
  // (by name key) are guarded by the poll lock.
  std::unique_ptr<MdnsChangeListener> listener_;
  AvahiWatch* listenerWatch_ = nullptr;
  AvahiTimeout* listenerResume_ = nullptr;  // set while the listener pauses after a batch
  std::unordered_multimap<std::string, CoreOperation*> followers_;
  // The resolve window (poll lock).
  const int lookupWindow_;
  int unansweredLookups_ = 0;
  std::deque<CoreOperation*> queuedResolves_;
  AvahiTimeout* refill_ = nullptr;
};
