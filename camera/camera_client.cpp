#include "camera/camera_client.h"

#include <cstring>
#include <string>

#include "camera/camera_handle_map.h"
#include "camera/camera_query.h"
#include "platform/wipe_text.h"
#include "platform/debug_trace.h"

namespace {

constexpr char kAuthInterface[] = "cgi-bin/auth_if.cgi?";
constexpr char kParamInterface[] = "cgi-bin/param_if.cgi?";
constexpr char kProbeQuery[] = "NumActions=1&Action_0=Global.OperationMode.GetIntValue";
constexpr char kSessionPrefix[] = "&session_id=";

// A zero-filled answer buffer of fixed size on the stack of the caller.
template <unsigned Size>
struct AnswerBuffer {
  char bytes[Size] = {};
  ResponseBuffer response{bytes, Size, 0};
  const char* Text() const { return bytes; }
};

std::string WithTrailingSlash(const char* url) {
  const std::string_view text(url);
  return JoinTexts({text, text.empty() || text.back() != '/' ? "/" : ""});
}

// For trace lines: a URL with whatever stands between "://" and "@" replaced, so that
// credentials never reach the log.
std::string UrlForTrace(const std::string& url) {
  const std::size_t scheme = url.find("://");
  const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
  const std::size_t at = url.rfind('@');
  if (at == std::string::npos || at < start) return url;
  return url.substr(0, start) + "***" + url.substr(at);
}

void SetInterface(CCurlRequest& request, const char* interfaceName) {
  if (interfaceName != nullptr && interfaceName[0] != '\0') {
    request.SetStringOption(CURLOPT_INTERFACE, interfaceName);  // a failure here is not fatal
  }
}

struct Credentials {
  std::string user;
  std::string password;
  ~Credentials() {
    WipeText(user);
    WipeText(password);
  }
};

// Takes "user:password@" out of an http URL (see SplitUrlCredentials).
bool TakeCredentials(std::string& url, Credentials& credentials) {
  return SplitUrlCredentials(url, credentials.user, credentials.password);
}

// Logs in with user and password (none when user is empty); the session suffix is empty
// without a login. The credentials travel only in the login's query, escaped there, and
// never in a URL or a trace line.
CameraResult LoginAs(const std::string& url, const char* user, const char* password, const char* interfaceName,
                     std::string& suffix) {
  if (user == nullptr || user[0] == '\0') return CamOk;
  std::string sessionId;
  const CameraResult login = CameraLogin(interfaceName, user, url.c_str(), password != nullptr ? password : "", sessionId);
  if (login != CamOk) {
    DebugTrace("CameraOpen: login at %s failed (%d)\n", UrlForTrace(url).c_str(), login);
    return CamLoginFailed;
  }
  if (!sessionId.empty()) suffix = kSessionPrefix + sessionId;
  return CamOk;
}

CameraResult Probe(const std::string& url, const char* interfaceName, const std::string& suffix) {
  CCurlRequest request;
  SetInterface(request, interfaceName);
  AnswerBuffer<kCameraAnswerSize> answer;
  std::string probeUrl = JoinTexts({url, kParamInterface, kProbeQuery, suffix});  // may carry credentials
  const CameraResult result = PerformRequest(probeUrl.c_str(), kCameraRequestTimeoutMs, request, &answer.response);
  WipeText(probeUrl);
  if (result != CamOk) return result;
  std::string exceptionText;
  std::string returnValue;
  ParseParamLine(answer.Text(), exceptionText, returnValue);
  if (!exceptionText.empty()) return CamCameraException;
  if (returnValue.empty()) return CamUnexpectedResponse;
  return CamOk;
}

// "NumActions=N&Action_0=a.GetValue&Action_1=b.GetValue..."
std::string GetValuesQuery(const std::vector<std::string>& names) {
  std::string query = "NumActions=" + std::to_string(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    query += "&Action_" + std::to_string(i) + "=" + names[i] + ".GetValue";
  }
  return query;
}

CameraResult SetValueText(const char* name, const std::string& value, int id) {
  if (!IsQuerySafeText(name) || !IsQuerySafeText(value.c_str())) {
    DebugTrace("CameraSetValue: refused a name or value that would change the query\n");
    return CamInvalidParameter;
  }
  const std::string query = std::string("NumActions=1&Action_0=") + name + ".SetValue&Parameter_0_0=" + value;
  AnswerBuffer<kCameraAnswerSize> answer;
  const CameraResult result = CameraParamRequest(query.c_str(), id, &answer.response);
  if (result != CamOk) return result;
  std::string exceptionText;
  std::string returnValue;
  const CameraResult parsed = ParseParamLine(answer.Text(), exceptionText, returnValue);
  if (parsed != CamOk) return parsed;
  if (!exceptionText.empty()) return CamCameraException;
  return CamOk;
}

}  // namespace

CameraResult CameraLogin(const char* interfaceName, const char* user, const char* url, const char* password,
                         std::string& sessionId) {
  if (url == nullptr) return CamMissingText;
  const char* items[] = {"username", user, "password", password, nullptr};
  std::string query = BuildQuery("Login", items);
  std::string base = WithTrailingSlash(url);
  std::string loginUrl = JoinTexts({base, kAuthInterface, query});
  WipeText(base);
  WipeText(query);
  CCurlRequest request;
  SetInterface(request, interfaceName);
  AnswerBuffer<kCameraAnswerSize> answer;
  const CameraResult result = PerformRequest(loginUrl.c_str(), kCameraRequestTimeoutMs, request, &answer.response);
  WipeText(loginUrl);
  request.WipeUrl();
  if (result != CamOk) return result;
  return ParseLoginAnswer(answer.Text(), sessionId);
}

CameraResult CameraOpen(const char* url, int* outId, const char* interfaceName) {
  if (url == nullptr) return CamMissingArgument;
  std::string base = url;
  Credentials credentials;
  const bool withCredentials = TakeCredentials(base, credentials);
  const CameraResult rc = CameraOpenAs(base.c_str(), withCredentials ? credentials.user.c_str() : nullptr,
                                       credentials.password.c_str(), outId, interfaceName);
  WipeText(base);
  return rc;
}

CameraResult CameraOpenAs(const char* url, const char* user, const char* password, int* outId,
                          const char* interfaceName) {
  if (url == nullptr) return CamMissingArgument;
  if (url[0] == '\0') return CamMissingText;
  if (outId == nullptr) return CamMissingArgument;
  std::string base = WithTrailingSlash(url);
  std::string suffix;
  const CameraResult login = LoginAs(base, user, password, interfaceName, suffix);
  if (login != CamOk) {
    WipeText(base);
    return login;
  }
  const CameraResult probe = Probe(base, interfaceName, suffix);
  if (probe != CamOk) {
    DebugTrace("CameraOpen: %s answered the probe with %d\n", UrlForTrace(base).c_str(), probe);
    WipeText(base);
    return probe;
  }
  CCameraHandle* handle = TheCameraHandleMap().CreateHandleObject(
      base, kCameraRequestTimeoutMs, suffix, interfaceName != nullptr ? interfaceName : "");
  if (handle == nullptr) return CamOutOfResources;
  *outId = handle->GetId();
  DebugTrace("CameraOpen: handle %d for %s\n", *outId, UrlForTrace(base).c_str());
  return CamOk;
}

CameraResult CameraRequest(ResponseBuffer* out, const char* path, int id, int timeoutMs) {
  CCameraHandle* handle = TheCameraHandleMap().FindHandleObject(id);
  if (handle == nullptr) return CamUnknownHandle;
  if (path == nullptr) return CamMissingArgument;
  if (timeoutMs == 0) timeoutMs = handle->GetDefaultTimeout();
  std::string url = JoinTexts({handle->GetBaseUrl(), path});  // the base may carry credentials
  const CameraResult result = PerformRequest(url.c_str(), timeoutMs, handle->PrepareRequest(), out);
  WipeText(url);
  return result;
}

CameraResult CameraParamRequest(const char* query, int id, ResponseBuffer* out) {
  CCameraHandle* handle = TheCameraHandleMap().FindHandleObject(id);
  if (handle == nullptr) return CamUnknownHandle;
  if (query == nullptr) return CamMissingArgument;
  const std::string path = kParamInterface + std::string(query) + handle->GetSessionSuffix();
  return CameraRequest(out, path.c_str(), id, 0);
}

CameraResult CameraGetValues(const std::vector<std::string>& names, std::vector<std::string>& values, int id) {
  values.clear();
  for (const std::string& name : names) {
    if (!IsQuerySafeText(name.c_str()) || name.size() != std::strlen(name.c_str())) {
      DebugTrace("CameraGetValues: refused a name that would change the query\n");
      return CamInvalidParameter;
    }
  }
  AnswerBuffer<kCameraAnswerSize> answer;
  const CameraResult result = CameraParamRequest(GetValuesQuery(names).c_str(), id, &answer.response);
  if (result != CamOk) return result;
  return ParseGetValuesAnswer(answer.Text(), names.size(), values);
}

CameraResult CameraSetValue(const char* name, const char* value, int id) {
  if (name == nullptr) return CamMissingText;
  if (value == nullptr) return CamMissingArgument;
  return SetValueText(name, value, id);
}

CameraResult CameraSetIntValue(const char* name, int id, int value) {
  if (name == nullptr) return CamMissingText;
  return SetValueText(name, std::to_string(value), id);
}

CameraResult CameraClose(int id) {
  CCameraHandle* handle = TheCameraHandleMap().FindHandleObject(id);
  if (handle == nullptr) return CamUnknownHandle;
  CameraResult result = CamOk;
  const std::string suffix = handle->GetSessionSuffix();
  if (!suffix.empty()) {
    AnswerBuffer<kCameraLogoutAnswerSize> answer;
    const std::string path = std::string(kAuthInterface) + "Logout" + suffix;
    result = CameraRequest(&answer.response, path.c_str(), id, kCameraLogoutTimeoutMs);
    if (result == CamOk) handle->ClearSessionSuffix();
  }
  TheCameraHandleMap().DeleteHandleObject(id);
  DebugTrace("CameraClose: handle %d closed (%d)\n", id, result);
  return result;
}
