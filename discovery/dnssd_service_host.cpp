#include "discovery/dnssd_service_host.h"

#include <unistd.h>

#include <exception>
#include <stdexcept>

#include "discovery/wide_area_config.h"
#include "platform/debug_trace.h"
#include "platform/name_thread.h"

CDnssdServiceHost::~CDnssdServiceHost() {
  StopBonjourThread();
  if (WideArea && DNSServiceWideAreaBackend() == WideArea.get()) DNSServiceSetWideAreaBackend(nullptr);
  if (PlatformService && DNSServiceDefaultBackend() == PlatformService.get()) DNSServiceSetDefaultBackend(nullptr);
}

bool CDnssdServiceHost::CheckBonjourService() {
  bool installed = false;
  const bool running = AvahiClientBackend::DaemonAnswers(&installed);
  if (running || installed) DebugTrace("Bonjour Service found state: %s", running ? "running" : "not running");
  if (!running) return false;
  if (!PlatformService) PlatformService = std::make_unique<AvahiClientBackend>();
  DNSServiceSetDefaultBackend(PlatformService.get());
  return true;
}

bool CDnssdServiceHost::EnableWideArea(const std::vector<std::string>& dnsServers, std::string* error) {
  if (WideArea) return true;
  std::vector<std::string> servers = dnsServers.empty() ? ravix::ReadResolvConfServers() : dnsServers;
  DebugTrace("Wide-area DNS-SD: %zu DNS server(s)%s", servers.size(), dnsServers.empty() ? " from resolv.conf" : "");
  auto wideArea = std::make_unique<WideAreaDnssd>(std::move(servers));
  std::string reason;
  if (!wideArea->Start(reason)) {
    DebugTrace("Wide-area DNS-SD: %s", reason.c_str());
    if (error != nullptr) *error = reason;
    return false;
  }
  WideArea = std::move(wideArea);
  DNSServiceSetWideAreaBackend(WideArea.get());
  return true;
}

bool CDnssdServiceHost::StartBonjourThread() {
  if (BonjourThread) return false;
  DebugTrace("Starting Bonjour Thread");
  try {
    if (!ReadyEvent) ReadyEvent = std::make_unique<AutoResetEvent>();
    DNSServiceSetDefaultBackend(&Responder);
    BonjourThread = std::make_unique<boost::thread>(&CDnssdServiceHost::BonjourThreadHandler, this);
    if (!ReadyEvent->WaitFor(kReadyTimeout)) throw std::runtime_error("Timeout while waiting for Bonjour to initialize");
  } catch (const std::exception& error) {
    DebugTrace("Could not start BonjourThread Error: '%s'", error.what());
    return false;
  }
  return true;
}

void CDnssdServiceHost::BonjourThreadHandler() {
  NameThread("RavixFinderBonjourThread");
  const auto threadId = static_cast<unsigned>(gettid());
  DebugTrace("BonjourThreadhandler started. ThreadID=%u", threadId);
  const int status = RunServiceInThread(ReadyEvent.get());
  DebugTrace("BonjourThreadhandler stopped. ThreadID=%u res=%i", threadId, status);
}

void CDnssdServiceHost::StopBonjourThread() {
  if (!BonjourThread) return;
  DebugTrace("Stopping BonjourThread");
  StopServiceThread();
  BonjourThread->join();
  ReadyEvent.reset();
  BonjourThread.reset();
  if (DNSServiceDefaultBackend() == &Responder) DNSServiceSetDefaultBackend(nullptr);
}

bool CDnssdServiceHost::RequeryResponder() {
  if (!UsingEmbeddedResponder()) {
    DebugTrace("Using extern bonjour service. Skipping CoreMachineSleep(%i) call!", 0);
    return true;
  }
  const bool asked = ResponderHasOperations();
  DebugTrace("calling internal CoreMachineSleep(%i)", 0);
  CoreMachineSleep(false);
  return asked;
}

void CDnssdServiceHost::ForwardMachineSleep(bool sleeping) {
  if (UsingEmbeddedResponder()) CoreMachineSleep(sleeping);
}
