#pragma once
// CFinderCore: the process-wide state of the finder that needs no window: the profile and
// its settings, the one network tools object, stored credentials, the password prompt
// service the GUI installs its dialog into, and the DNS-SD service host. The application
// object owns one; the command-line modes use one of their own.

#include <memory>
#include <optional>
#include <string>

#include "camera/camera_connect.h"
#include "camera/credential_store.h"
#include "camera/gui_password_prompt.h"
#include "net/network_helper.h"
#include "net/network_tools.h"
#include "net/route_fix_broker.h"
#include "net/temporary_address_keeper.h"
#include "discovery/dnssd_service_host.h"
#include "platform/app_profile.h"
#include "finder/settings_block.h"

class CFinderCore {
 public:
  // profile: the store to use (tests give an INI file); the user's own by default.
  explicit CFinderCore(std::optional<ravix::AppProfile> profile = std::nullopt);
  ~CFinderCore();
  CFinderCore(const CFinderCore&) = delete;
  CFinderCore& operator=(const CFinderCore&) = delete;

  // Finds the platform DNS-SD service or starts the embedded responder (waiting up to
  // 5000 ms for it). False, with a message in error, when neither is available. With
  // browse domains set, their unicast DNS lookups start (for either responder); when they
  // cannot, warning says why (empty otherwise).
  bool StartDnssd(std::string& error, std::string* warning = nullptr);
  void StopDnssd();

  // How this process changes the PC's network. With CAP_NET_ADMIN (or forceHelper false
  // and root) in process, as before; without it through the privileged helper started by
  // pkexec: route fixes go through a RouteFixBroker installed into theNetworkTools, and
  // NetworkChanges runs temporary-address commands. textAgent lets pkexec ask on the
  // terminal (command line); notice is told once why route fixes stopped. runner replaces
  // pkexec (tests); forceHelper uses it even with the capability.
  void UseNetworkHelper(bool textAgent, ravix::RouteFixBroker::Notice notice, ravix::HelperRunner runner = {},
                        bool forceHelper = false);
  // Ends a route-fix run that waits for the user and answers waiting route fixes with
  // false; call before discovery is closed for good.
  void StopNetworkHelper();
  // Runs one helper command (add, renew, remove) the way UseNetworkHelper chose; in
  // process when it was not called.
  ravix::HelperReply NetworkChanges(const std::vector<std::string>& args);
  bool UsesNetworkHelper() const { return RouteHelper != nullptr; }
  // The temporary addresses of this run (through NetworkChanges); removed at the latest
  // when the core goes.
  ravix::TemporaryAddressKeeper& TemporaryAddresses() { return *Addresses; }

  // How cameras are opened with this state (no prompt: the engine adds its own).
  CameraConnectContext CameraContext();

  ravix::AppProfile Profile;
  SettingsBlock Settings;
  CNetworkTools theNetworkTools;
  CCredentialStore Credentials;
  PasswordPromptService PromptService;
  CDnssdServiceHost ServiceHost;
  // The added addresses and browse domains of this run, where stored credentials may go
  // (every CameraContext adds the settings' ones; every search its own).
  std::shared_ptr<CTrustedOrigins> Origins = std::make_shared<CTrustedOrigins>();

 private:
  std::shared_ptr<ravix::RouteFixBroker> RouteHelper;
  ravix::HelperRunner NetworkRunner;
  std::unique_ptr<ravix::TemporaryAddressKeeper> Addresses;
};
