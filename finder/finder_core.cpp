#include "finder/finder_core.h"

#include "platform/debug_trace.h"

CFinderCore::CFinderCore(std::optional<ravix::AppProfile> profile)
    : Profile(profile ? std::move(*profile) : ravix::AppProfile()),
      // The user's own profile keeps its passwords in the desktop keyring when one answers;
      // a given profile (tests) keeps them in its own file store only.
      Credentials(Profile, {}, profile ? nullptr : std::make_shared<CKeyring>()) {
  Settings.Load(Profile);
  Addresses = std::make_unique<ravix::TemporaryAddressKeeper>(
      [this](const std::vector<std::string>& args) { return NetworkChanges(args); });
}

CFinderCore::~CFinderCore() {
  StopNetworkHelper();
  Addresses->RemoveAll();
  StopDnssd();
}

void CFinderCore::UseNetworkHelper(bool textAgent, ravix::RouteFixBroker::Notice notice, ravix::HelperRunner runner,
                                   bool forceHelper) {
  if (!forceHelper && IsAdministrator()) {
    DebugTrace("CFinderCore: CAP_NET_ADMIN held: routes and addresses are changed in process");
    return;
  }
  if (!runner) {
    const std::string helper = ravix::FindNetworkHelper();
    DebugTrace("CFinderCore: no CAP_NET_ADMIN: network changes through pkexec %s",
               helper.empty() ? "(helper not found)" : helper.c_str());
    runner = ravix::PkexecHelperRunner(helper, textAgent);
  }
  NetworkRunner = runner;
  RouteHelper = std::make_shared<ravix::RouteFixBroker>(std::move(runner), std::move(notice));
  theNetworkTools.SetRouteHelper(RouteHelper);
}

void CFinderCore::StopNetworkHelper() {
  if (RouteHelper) RouteHelper->Stop();
}

ravix::HelperReply CFinderCore::NetworkChanges(const std::vector<std::string>& args) {
  const ravix::HelperRunner runner = NetworkRunner ? NetworkRunner : ravix::InProcessHelperRunner();
  const std::atomic<bool> never{false};  // address changes always run to their end
  return runner(args, never);
}

bool CFinderCore::StartDnssd(std::string& error, std::string* warning) {
  if (ServiceHost.CheckBonjourService()) {
    if (!Settings.BrowseDomains.empty() && !ServiceHost.PlatformWideAreaEnabled()) {
      const char* text =
          "avahi-daemon has its wide-area lookups switched off (enable-wide-area in "
          "/etc/avahi/avahi-daemon.conf): the browse domains find nothing";
      DebugTrace("%s", text);
      if (warning != nullptr) *warning = text;
    }
    return true;
  }
  if (!Settings.BrowseDomains.empty()) ServiceHost.EnableWideArea(Settings.DnsServers);
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
