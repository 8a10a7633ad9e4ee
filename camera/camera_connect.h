#pragma once
// Opening a camera handle for a record whatever the camera demands: first without
// credentials, then with the credentials stored for the camera (or the default ones),
// then by asking the user, saving what worked when the user asks for it.

#include <functional>
#include <string>

#include "http/camera_result.h"
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
};

// True for the results that mean authentication failed or was cancelled (401 and 18).
bool IsAuthenticationFailure(CameraResult rc);

// One CameraOpen for the record with the given credentials (null or empty user: none).
// With outId null the handle is closed again at once: a pure test of the credentials.
CameraResult TryConnectCamera(const CameraConnectContext& context, const CBrowseRecord& record, const char* user,
                              const char* password, int* outId);

// Opens a handle for the record: 0 with *outId set, or the failure (2 for a null outId;
// 401 or 18 when authentication failed or the prompt was cancelled).
CameraResult ConnectCamera(const CameraConnectContext& context, const CBrowseRecord& record, int* outId);
