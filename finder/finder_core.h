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
#include "net/network_tools.h"
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
};
