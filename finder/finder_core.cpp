#include "finder/finder_core.h"

CFinderCore::CFinderCore(std::optional<ravix::AppProfile> profile)
    : Profile(profile ? std::move(*profile) : ravix::AppProfile()), Credentials(Profile) {
  Settings.Load(Profile);
}

CFinderCore::~CFinderCore() { StopDnssd(); }

bool CFinderCore::StartDnssd(std::string& error) {
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
