#include "finder/finder_core.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <memory>

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

namespace {

// Whether the system's resolver gives address for name (IPv4 only).
bool ResolverGivesAddress(const std::string& name, uint32_t address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return false;
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, &freeaddrinfo);
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addr == nullptr) continue;
    if (reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr == address) return true;
  }
  return false;
}

}  // namespace

CameraConnectContext CFinderCore::CameraContext() {
  CameraConnectContext context{theNetworkTools, true, nullptr, nullptr, {}};
  context.AlwaysUseIPAddress = Settings.AlwaysUseIPAddress;
  context.Credentials = &Credentials;
  Origins->Add(Settings.BrowseDomains, Settings.Addresses);
  context.Origins = Origins;
  context.DnsGivesAddress = &ResolverGivesAddress;
  return context;
}
