#include "finder/finder_core.h"

#include "platform/debug_trace.h"

CFinderCore::CFinderCore(std::optional<ravix::AppProfile> profile)
    : Profile(profile ? std::move(*profile) : ravix::AppProfile()),
      // The user's own profile keeps its passwords in the desktop keyring when one answers;
      // a given profile (tests) keeps them in its own file store only.
      Credentials(Profile, {}, profile ? nullptr : std::make_shared<CKeyring>()) {
  Settings.Load(Profile);
}

CFinderCore::~CFinderCore() { StopDnssd(); }

bool CFinderCore::StartDnssd(std::string& error, std::string* warning) {
  // The browse domains are looked up the same way whichever responder serves local.
  std::string reason;
  if (!Settings.BrowseDomains.empty() && !ServiceHost.EnableWideArea(Settings.DnsServers, &reason) &&
      warning != nullptr)
    *warning = "the browse domains find nothing: " + reason;
  if (ServiceHost.CheckBonjourService()) return true;
  if (ServiceHost.StartBonjourThread()) return true;
  error = "no DNS-SD responder: avahi-daemon does not answer and the embedded responder did not start";
  return false;
}

void CFinderCore::StopDnssd() { ServiceHost.StopBonjourThread(); }

CameraConnectContext CFinderCore::CameraContext() {
  CameraConnectContext context{theNetworkTools, true, nullptr, nullptr, {}};
  context.AlwaysUseIPAddress = Settings.AlwaysUseIPAddress;
  context.Credentials = &Credentials;
  return context;
}
