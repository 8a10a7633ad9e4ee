#pragma once
// Opening a camera handle for a record whatever the camera demands: first without
// credentials, then with the credentials stored for the camera (or the default ones),
// then by asking the user, saving what worked when the user asks for it.

#include <cstdint>
#include <functional>
#include <string>
#include <memory>

#include "http/camera_result.h"
#include "camera/trusted_origins.h"
#include "records/browse_record.h"

class CNetworkTools;
class CCredentialStore;
class IPasswordPrompt;

// What opening a camera needs besides the record. The objects outlive every call.
struct CameraConnectContext {
  CNetworkTools& Tools;
  // Address cameras by their IPv4 address (and send from the adapter's address) instead
  // of their host name.
  bool AlwaysUseIPAddress = true;
  // Stored credentials; null: none are read and none saved.
  const CCredentialStore* Credentials = nullptr;
  // The password prompt; null: no prompt, as if the user cancelled it.
  IPasswordPrompt* Prompt = nullptr;
  // Tells the user that the typed credentials failed (the caller waits the 2000 ms first
  // when it shows a wait cursor). Empty: the next prompt carries the message instead
  // (PasswordPromptData::LoginFailedMessage), so the prompt's own thread shows it.
  std::function<void(const std::string& message)> ShowLoginFailed;

  // Where stored or default credentials may go besides the camera's own subnet (see
  // StoredCredentialsWithheld): the addresses and browse domains the user asked for;
  // null: none.
  std::shared_ptr<CTrustedOrigins> Origins = nullptr;
  // Whether DNS gives address (network byte order) for the host name; null: never asked.
  std::function<bool(const std::string& hostName, uint32_t address)> DnsGivesAddress = nullptr;
};

// True for the results that mean authentication failed or was cancelled (401 and 18).
bool IsAuthenticationFailure(CameraResult rc);

// One CameraOpen for the record with the given credentials (null or empty user: none).
// With outId null the handle is closed again at once: a pure test of the credentials.
CameraResult TryConnectCamera(const CameraConnectContext& context, const CBrowseRecord& record, const char* user,
                              const char* password, int* outId);

// Why stored or default credentials must not go to the camera of record: empty when the
// address it is contacted at lies on a subnet of the adapter it was found on, is one the
// user asked for, or is what DNS gives for its name in a browse domain (or it is
// contacted by that name); otherwise a sentence for the camera's tooltip. A camera
// contacted by a host name of "local." counts as on its link.
std::string StoredCredentialsWithheld(const CameraConnectContext& context, const CBrowseRecord& record);

// Opens a handle for the record: 0 with *outId set, or the failure (2 for a null outId;
// 401 or 18 when authentication failed or the prompt was cancelled). Stored credentials
// are tried only where StoredCredentialsWithheld allows; the prompt is offered anyway.
CameraResult ConnectCamera(const CameraConnectContext& context, const CBrowseRecord& record, int* outId);
