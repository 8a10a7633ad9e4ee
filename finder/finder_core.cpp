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
