#include "camera/camera_connect.h"

#include "camera/camera_client.h"
#include "camera/credential_store.h"
#include "net/network_tools.h"
#include "camera/password_prompt.h"
#include "platform/debug_trace.h"
#include "platform/wipe_text.h"

namespace {

// Host and local interface address of the camera as the settings want it addressed.
void CameraHost(const CameraConnectContext& context, const CBrowseRecord& record, std::string& host,
                std::string& interfaceAddress) {
  interfaceAddress.clear();
  // The host name of a camera found by address or in a browse domain is only what it
  // claims: it is contacted at its address.
  if (!context.AlwaysUseIPAddress && !record.HasContactAddress()) {
    host = record.HostTarget;
    return;
  }
  context.Tools.ResolveCameraAddress(record, host, interfaceAddress);  // host is usable even after false
}

CameraResult TryStoredCredentials(const CameraConnectContext& context, const CBrowseRecord& record,
                                  const std::string& serial, int* outId, CameraResult rc) {
  if (context.Credentials == nullptr || serial.empty()) return rc;
  CameraCredentials stored;
  if (!context.Credentials->FindForCamera(serial, stored)) return rc;
  return TryConnectCamera(context, record, stored.UserName.c_str(), stored.Password.c_str(), outId);
}

CameraResult PromptUntilAccepted(const CameraConnectContext& context, const CBrowseRecord& record,
                                 const std::string& serial, int* outId, CameraResult rc) {
  if (context.Prompt == nullptr) return rc;
  PasswordPromptData prompt = MakeCameraPasswordPrompt(record, &context.Tools, context.AlwaysUseIPAddress);
  while (IsAuthenticationFailure(rc)) {
    WipeString(prompt.Password);  // the user name typed last time stays
    if (context.Prompt->DoModal(prompt) != PromptResult::Ok) break;
    *outId = 0;
    rc = TryConnectCamera(context, record, prompt.UserName.c_str(), prompt.Password.c_str(), outId);
    if (rc == CamOk) {
      if (prompt.Save && context.Credentials != nullptr)
        context.Credentials->SaveForCamera(serial, prompt.UserName, prompt.Password);
      return CamOk;
    }
    if (!IsAuthenticationFailure(rc)) break;
    // Told by the caller when it can, else by the prompt itself before it asks again.
    const std::string failed = FormatLoginFailedMessage(prompt.UserName);
    if (context.ShowLoginFailed) {
      context.ShowLoginFailed(failed);
    } else {
      prompt.LoginFailedMessage = failed;
    }
  }
  return rc;
}

}  // namespace

bool IsAuthenticationFailure(CameraResult rc) { return rc == CamHttpUnauthorized || rc == CamLoginFailed; }

CameraResult TryConnectCamera(const CameraConnectContext& context, const CBrowseRecord& record, const char* user,
                              const char* password, int* outId) {
  std::string host, interfaceAddress;
  CameraHost(context, record, host, interfaceAddress);
  const bool withCredentials = user != nullptr && *user != '\0';
  std::string url = withCredentials ? JoinTexts({"http://", user, ":", password != nullptr ? password : "", "@", host})
                                    : JoinTexts({"http://", host});
  int id = 0;
  const CameraResult rc = CameraOpen(url.c_str(), &id, interfaceAddress.empty() ? nullptr : interfaceAddress.c_str());
  WipeString(url);  // it may carry the password
  if (rc != CamOk) return rc;
  if (outId != nullptr) {
    *outId = id;
  } else {
    CameraClose(id);
  }
  return rc;
}

CameraResult ConnectCamera(const CameraConnectContext& context, const CBrowseRecord& record, int* outId) {
  if (outId == nullptr) return CamInvalidParameter;
  *outId = 0;
  CameraResult rc = TryConnectCamera(context, record, nullptr, nullptr, outId);
  if (rc == CamOk) return CamOk;
  const std::string serial = record.GetTxtValueOrEmpty(txtkey::kSerial);
  if (!IsAuthenticationFailure(rc)) return rc;
  rc = TryStoredCredentials(context, record, serial, outId, rc);
  if (!IsAuthenticationFailure(rc)) return rc;
  return PromptUntilAccepted(context, record, serial, outId, rc);
}
