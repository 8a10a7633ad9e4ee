#pragma once
// Finds the platform DNS-SD service (avahi-daemon) or runs the embedded responder on a
// thread of its own, and makes the chosen one the responder of the DNS-SD client calls.
// Owned by the application object; all calls come from the user-interface thread.

#include <boost/thread/thread.hpp>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "discovery/auto_reset_event.h"
#include "discovery/avahi_client_backend.h"
#include "discovery/embedded_responder.h"
#include "discovery/wide_area_dnssd.h"

class CDnssdServiceHost {
 public:
  static constexpr std::chrono::milliseconds kReadyTimeout{5000};

  CDnssdServiceHost() = default;
  ~CDnssdServiceHost();
  CDnssdServiceHost(const CDnssdServiceHost&) = delete;
  CDnssdServiceHost& operator=(const CDnssdServiceHost&) = delete;

  // True when the platform daemon answers; it then serves the DNS-SD client calls.
  bool CheckBonjourService();
  // Starts the embedded responder thread and waits until it is ready (at most
  // kReadyTimeout). False when a thread exists already, on timeout or thread failure.
  bool StartBonjourThread();
  void BonjourThreadHandler();
  // Stops and joins the responder thread (application exit); nothing without one.
  void StopBonjourThread();

  // Browse domains beyond local.: their unicast DNS lookups go to these DNS servers (the
  // system's from resolv.conf when the list is empty), whichever responder serves local.
  // False with a reason when no lookup can be made (the browse domains then find nothing).
  bool EnableWideArea(const std::vector<std::string>& dnsServers, std::string* error = nullptr);

  bool UsingEmbeddedResponder() const { return BonjourThread != nullptr; }
  // Makes the embedded responder ask the network again for every browse and resolve it
  // runs. False when waiting for answers makes no sense: the embedded responder runs
  // without any browse or resolve (at start, after a Close), so nothing was asked again.
  bool RequeryResponder();
  void ForwardMachineSleep(bool sleeping);

  // The responder's service code entries.
  int RunServiceInThread(AutoResetEvent* ready) { return Responder.RunServiceInThread(ready); }
  int StopServiceThread() { return Responder.StopServiceThread(); }
  bool ResponderHasOperations() const { return Responder.HasOperations(); }
  void CoreMachineSleep(bool sleeping) { Responder.CoreMachineSleep(sleeping); }

 private:
  std::unique_ptr<boost::thread> BonjourThread;
  std::unique_ptr<AutoResetEvent> ReadyEvent;
  EmbeddedResponder Responder;
  std::unique_ptr<AvahiClientBackend> PlatformService;
  std::unique_ptr<WideAreaDnssd> WideArea;
};
