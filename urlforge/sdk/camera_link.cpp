#include "urlforge/sdk/camera_link.h"

#include <arpa/inet.h>

#include <QCoreApplication>
#include <algorithm>
#include <cctype>

#include "camera/camera_client.h"
#include "http/perform_request.h"
#include "platform/wipe_text.h"
#include "urlforge/sdk/ip_cam_error.h"
#include "urlforge/sdk/ip_cam_error_text.h"
#include "urlforge/sdk/sdk_text.h"

namespace ravix {

namespace {

using namespace ZorvikIPCam;

constexpr char kParamInterface[] = "/cgi-bin/param_if.cgi?";
constexpr int kLogoutTimeoutMs = 500;
constexpr std::size_t kMaxHostLength = 253;

// An IPv4 address or a host name: letters, digits, "." and "-", not starting with either
// punctuation mark. Anything else could change the URL built from it.
// Digits and dots only must make a whole IPv4 address.
bool IsValidHost(const std::string& host) {
  if (host.empty() || host.size() > kMaxHostLength || host.front() == '.' || host.front() == '-') return false;
  const bool hostChars = std::all_of(host.begin(), host.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-';
  });
  const bool numeric = host.find_first_not_of("0123456789.") == std::string::npos;
  in_addr address{};
  return hostChars && (!numeric || inet_pton(AF_INET, host.c_str(), &address) == 1);
}

// Camera texts shown in failure messages are cut to a readable length.
QString Excerpt(const std::string& text) {
  constexpr std::size_t kMax = 200;
  return FromCameraText(text.size() > kMax ? text.substr(0, kMax) + "..." : text);
}

// The answer's lines; a last line without line feed counts, a carriage return before a
// line feed is dropped.
std::vector<std::string> AnswerLines(const std::string& body) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < body.size()) {
    std::size_t end = body.find('\n', start);
    if (end == std::string::npos) end = body.size();
    std::string line = body.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool TakePrefix(const std::string& line, const std::string& prefix, std::string& rest) {
  if (line.compare(0, prefix.size(), prefix) != 0) return false;
  rest = line.substr(prefix.size());
  return true;
}

}  // namespace

CameraLink::~CameraLink() { Close(); }

int CameraLink::Open(const std::string& address, int port, int timeoutMs) {
  Close();
  if (!IsValidHost(address)) return Fail(eInvalidAddress, FromCameraText(address));
  if (port < 1 || port > 65535) return Fail(eInvalidPort, QString::number(port));
  address_ = address;
  port_ = port;
  timeoutMs_ = timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs;
  ClearLastError();
  return eIPCamOk;
}

void CameraLink::Close() {
  if (!sessionId_.empty()) {
    const std::string url = BaseUrl() + WithSession("/cgi-bin/auth_if.cgi?Logout");
    PerformRequest(url.c_str(), kLogoutTimeoutMs, request_, nullptr);  // best effort
    WipeText(sessionId_);
  }
  address_.clear();
  port_ = 0;
}

int CameraLink::Login(const std::string& user, const std::string& password) {
  if (!IsOpen()) return Fail(eNotConnected);
  const std::string url = BaseUrl() + "/";
  std::string sessionId;
  const int result = CameraLogin(nullptr, user.c_str(), url.c_str(), password.c_str(), sessionId);
  if (result == CamHttpUnauthorized) return Fail(eLoginFailed);
  if (result == CamFailed) return Fail(eUnexpectedAnswer, QCoreApplication::translate("ZorvikIPCam", "no session in the login answer"));
  if (result != CamOk) return MapResult(result);
  sessionId_ = std::move(sessionId);
  ClearLastError();
  return eIPCamOk;
}

int CameraLink::Get(const std::string& path, std::string& body) {
  if (!IsOpen()) return Fail(eNotConnected);
  std::vector<char> buffer(kAnswerLimit, '\0');
  ResponseBuffer out{buffer.data(), kAnswerLimit, 0};
  const std::string url = BaseUrl() + WithSession(path);
  const int result = PerformRequest(url.c_str(), timeoutMs_, request_, &out);
  if (result != CamOk) return MapResult(result);
  body.assign(buffer.data(), out.length > 0 ? out.length - 1 : 0);
  ClearLastError();
  return eIPCamOk;
}

int CameraLink::Run(const std::vector<ParamAction>& actions, std::vector<ParamAnswer>& answers) {
  answers.clear();
  for (std::size_t first = 0; first < actions.size(); first += kActionsPerRequest) {
    const std::size_t count = std::min(kActionsPerRequest, actions.size() - first);
    const int result = RunBatch(actions.data() + first, count, answers);
    if (result != eIPCamOk) {
      answers.clear();
      return result;
    }
  }
  return eIPCamOk;
}

int CameraLink::RunOne(const ParamAction& action, std::string& value) {
  std::vector<ParamAnswer> answers;
  const int result = Run({action}, answers);
  if (result != eIPCamOk) return result;
  if (!answers[0].ok) return Fail(eCameraException, Excerpt(action.name + ": " + answers[0].text));
  value = answers[0].text;
  return eIPCamOk;
}

int CameraLink::RunBatch(const ParamAction* actions, std::size_t count, std::vector<ParamAnswer>& answers) {
  std::string path = kParamInterface + std::string("NumActions=") + std::to_string(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string index = std::to_string(i);
    path += "&Action_" + index + "=" + EscapeUnsafeQueryBytes(actions[i].name);
    if (actions[i].argument) path += "&Parameter_" + index + "_0=" + EscapeUnsafeQueryBytes(*actions[i].argument);
  }
  std::string body;
  const int result = Get(path, body);
  if (result != eIPCamOk) return result;
  const std::vector<std::string> lines = AnswerLines(body);
  if (lines.size() != count) {
    return Fail(eUnexpectedAnswer, QCoreApplication::translate("ZorvikIPCam", "%1 answer lines for %2 actions")
                                       .arg(lines.size())
                                       .arg(count));
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::string index = std::to_string(i);
    ParamAnswer answer;
    answer.ok = TakePrefix(lines[i], "Return_" + index + "=", answer.text);
    if (!answer.ok && !TakePrefix(lines[i], "Exception_" + index + "=", answer.text)) {
      return Fail(eUnexpectedAnswer, Excerpt(lines[i]));
    }
    answers.push_back(std::move(answer));
  }
  return eIPCamOk;
}

int CameraLink::Fail(int code, const QString& detail) {
  lastError_ = IPCamErrorText(code);
  if (!detail.isEmpty()) lastError_ += QStringLiteral(": ") + detail;
  return code;
}

std::string CameraLink::BaseUrl() const { return "http://" + address_ + ":" + std::to_string(port_); }

std::string CameraLink::WithSession(const std::string& path) const {
  if (sessionId_.empty()) return path;
  return path + (path.find('?') == std::string::npos ? "?" : "&") + "session_id=" + sessionId_;
}

int CameraLink::MapResult(int cameraResult) {
  if (cameraResult == CamTimedOut) return Fail(eTimedOut);
  if (cameraResult == CamResponseTooLarge) return Fail(eAnswerTooLarge);
  if (cameraResult == CamHttpUnauthorized) return Fail(eLoginRequired);
  if (cameraResult >= 100) return Fail(eHttpStatus, QString::number(cameraResult));
  return Fail(eConnectionFailed, FromCameraText(address_ + ":" + std::to_string(port_)));
}

}  // namespace ravix
