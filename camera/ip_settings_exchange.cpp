#include "camera/ip_settings_exchange.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "camera/camera_client.h"

namespace {

// Base-10 integer with leading white space and a sign; reading stops at the first
// non-digit. Text without digits, or a value outside 32 bits, gives 0.
int32_t ParseCameraInt(const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return 0;
  return static_cast<int32_t>(value);
}

NetworkSettings SettingsFromValues(const std::vector<std::string>& v) {
  NetworkSettings s;
  s.DHCP = v[0] == "1";
  s.HTTPPort = ParseCameraInt(v[1]);
  s.NetPrefix = ParseCameraInt(v[2]);
  s.IPAddress = v[3];
  s.Gateway = v[4];
  s.HostName = v[5];
  s.NameServer = v[6];
  return s;
}

// The writes in camera order; the result of the last one decides Commit or Revert.
CameraResult WriteValues(const NetworkSettings& s, int id) {
  CameraResult rc = CameraSetValue("Network.HostName", s.HostName.c_str(), id);
  rc = CameraSetIntValue("Network.HTTPPort", id, s.HTTPPort);
  rc = CameraSetIntValue("Network.DHCP", id, s.DHCP ? 1 : 0);
  if (s.DHCP) return rc;
  rc = CameraSetValue("Network.IPAddress", s.IPAddress.c_str(), id);
  rc = CameraSetIntValue("Network.NetPrefix", id, s.NetPrefix);
  rc = CameraSetValue("Network.Gateway", s.Gateway.c_str(), id);
  rc = CameraSetValue("Network.NameServer", s.NameServer.c_str(), id);
  return rc;
}

void SendParamAction(const char* query, int id) {
  char answer[4096] = {};
  ResponseBuffer out{answer, sizeof answer, 0};
  CameraParamRequest(query, id, &out);
}

}  // namespace

void ReadNetworkSettings(const CameraConnectContext& context, CBrowseRecord& record) {
  record.NetworkSettingsValid = true;
  int id = 0;
  const CameraResult rc = ConnectCamera(context, record, &id);
  record.LoginWithheld.clear();
  if (IsAuthenticationFailure(rc)) {
    // Not logged into: say so when the stored password was kept from this address.
    if (context.Credentials != nullptr) record.LoginWithheld = StoredCredentialsWithheld(context, record);
    return;
  }
  if (rc != CamOk) {
    record.NetworkSettingsValid = false;
    return;
  }
  const std::vector<std::string> names(std::begin(kNetworkParameterNames), std::end(kNetworkParameterNames));
  std::vector<std::string> values;
  if (CameraGetValues(names, values, id) != CamOk || values.size() != names.size()) {
    record.NetworkSettingsValid = false;
    CameraClose(id);
    return;
  }
  record.NetworkSettings = SettingsFromValues(values);
  CameraClose(id);
}

bool WriteNetworkSettings(const NetworkSettings& settings, const CameraConnectContext& context, CBrowseRecord& record) {
  int id = 0;
  const CameraResult rc = ConnectCamera(context, record, &id);
  if (rc != CamOk) {
    if (!IsAuthenticationFailure(rc)) record.NetworkSettingsValid = false;
    return false;
  }
  if (WriteValues(settings, id) != CamOk) {
    SendParamAction("NumActions=1&Action_0=Network.Revert.Execute", id);
    record.NetworkSettings = NetworkSettings{};
  } else {
    SendParamAction("NumActions=1&Action_0=Network.Commit.Execute", id);
    record.NetworkSettings = settings;
  }
  return CameraClose(id) == CamOk;
}
