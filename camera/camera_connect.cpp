#include "camera/camera_connect.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "camera/camera_client.h"
#include "camera/credential_store.h"
#include "net/ipv4_text.h"
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

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// A host text that cannot change the URL it is put into: no user part, port, path,
// query or fragment smuggled in ("evil@host", "host/x"), no blank or control character.
bool IsPlainHost(const std::string& host) {
  if (host.empty()) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte != 0x7F && std::strchr("@/\\?#%:[]", c) == nullptr;
  });
}

bool IsLocalName(std::string name) {
  while (!name.empty() && name.back() == '.') name.pop_back();
  constexpr std::string_view kLocal = ".local";
  return name.size() > kLocal.size() && EqualsIgnoringCase(name.substr(name.size() - kLocal.size()), kLocal);
}

bool IsBrowseDomain(const CameraConnectContext& context, const CBrowseRecord& record) {
  return context.Origins != nullptr && context.Origins->IsBrowseDomain(record.Domain);
}

bool IsOnFoundAdapter(const CameraConnectContext& context, const CBrowseRecord& record, uint32_t address) {
  const AdapterEntry* adapter = context.Tools.FindAdapter(record.InterfaceIndex);
  if (adapter == nullptr) return false;
  const uint32_t count = std::min(adapter->AddressCount, AdapterEntry::kMaxAddresses);
  for (uint32_t i = 0; i < count; ++i)
    if (ravix::InSubnet(address, adapter->Addresses[i], adapter->Masks[i])) return true;
  return false;
}

// The reason for a camera contacted by host name.
std::string WithheldForName(const CameraConnectContext& context, const CBrowseRecord& record, const std::string& host) {
  if (IsBrowseDomain(context, record) && EqualsIgnoringCase(host, record.HostTarget)) return {};
  if (IsLocalName(host)) return {};
  return "Stored passwords are not sent to this camera: its host name " + host +
         " is neither a name of the local link nor its name in a browse domain.";
}

CameraResult TryStoredCredentials(const CameraConnectContext& context, const CBrowseRecord& record,
                                  const std::string& serial, int* outId, CameraResult rc) {
  if (context.Credentials == nullptr || serial.empty()) return rc;
  if (const std::string withheld = StoredCredentialsWithheld(context, record); !withheld.empty()) {
    DebugTrace("ConnectCamera: %s: %s", record.ServiceName.c_str(), withheld.c_str());
    return rc;
  }
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
  if (!IsPlainHost(host)) {
    DebugTrace("TryConnectCamera: %s: the host text would change the URL; not contacted", record.ServiceName.c_str());
    return CamHostNotFound;
  }
  const std::string url = JoinTexts({"http://", host});  // credentials never go into a URL
  const bool withCredentials = user != nullptr && *user != '\0';
  int id = 0;
  const CameraResult rc = CameraOpenAs(url.c_str(), withCredentials ? user : nullptr, password, &id,
                                       interfaceAddress.empty() ? nullptr : interfaceAddress.c_str());
  if (rc != CamOk) return rc;
  if (outId != nullptr) {
    *outId = id;
  } else {
    CameraClose(id);
  }
  return rc;
}

std::string StoredCredentialsWithheld(const CameraConnectContext& context, const CBrowseRecord& record) {
  std::string host, interfaceAddress;
  CameraHost(context, record, host, interfaceAddress);
  uint32_t address = 0;
  if (!ravix::ParseIPv4(host, address)) return WithheldForName(context, record, host);
  if (IsOnFoundAdapter(context, record, address)) return {};
  if (context.Origins != nullptr && context.Origins->IsAskedAddress(address)) return {};
  // The address the finder's own checking resolver got for the camera's SRV target, or
  // the address the user asked at: never what the camera claims about itself.
  if (record.HasContactAddress() && !record.ContactAddress.empty() && host == record.ContactAddress) return {};
  if (IsBrowseDomain(context, record) && context.DnsGivesAddress && !record.HostTarget.empty() &&
      context.DnsGivesAddress(record.HostTarget, address))
    return {};
  return "Stored passwords are not sent to this camera: " + host +
         " is not on the subnet of the adapter the camera was found on, not an address you added, and not what DNS "
         "gives for its name.";
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
