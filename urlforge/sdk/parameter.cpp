#include "urlforge/sdk/parameter.h"

#include "urlforge/sdk/camera_link.h"
#include "urlforge/sdk/ip_cam_error.h"
#include "urlforge/sdk/sdk_text.h"

namespace ZorvikIPCam {

namespace {

// "readonly"/"readwrite" as the camera names them, any letter case; the numbers 1 and 2
// are taken too.
std::optional<eAccessMode> ParseAccessMode(const std::string& text) {
  const QString mode = ravix::FromCameraText(text).trimmed().toLower();
  if (mode == QLatin1String("readonly") || mode == QLatin1String("1")) return eReadOnly;
  if (mode == QLatin1String("readwrite") || mode == QLatin1String("2")) return eReadWrite;
  return std::nullopt;
}

std::optional<bool> ParseFlag(const std::string& text) {
  if (text == "1") return true;
  if (text == "0") return false;
  return std::nullopt;
}

}  // namespace

CParameter::CParameter(ravix::CameraLink& link, QString groupName, QString name)
    : link_(link), groupName_(std::move(groupName)), name_(std::move(name)) {}

CParameter::~CParameter() = default;

eParameterType CParameter::GetType() const { return eTypeUnknown; }

int CParameter::Update() {
  Begin();
  if (!link_.IsOpen()) return Fail(eNotConnected);
  std::vector<ravix::ParamAction> actions = {{ActionName("GetAccessMode"), {}}, {ActionName("IsEnabled"), {}}};
  for (const std::string& method : ReadMethods()) actions.push_back({ActionName(method), {}});
  std::vector<ravix::ParamAnswer> answers;
  const int result = link_.Run(actions, answers);
  if (result != eIPCamOk) return Fail(result);
  for (std::size_t i = 0; i < answers.size(); ++i) {
    if (!answers[i].ok) return Fail(eCameraException, ravix::FromCameraText(actions[i].name + ": " + answers[i].text));
  }
  const auto mode = ParseAccessMode(answers[0].text);
  const auto enabled = ParseFlag(answers[1].text);
  std::vector<std::string> values;
  for (std::size_t i = 2; i < answers.size(); ++i) values.push_back(answers[i].text);
  if (!mode || !enabled || !ApplyValues(values)) {
    return Fail(eUnexpectedAnswer, FullName());
  }
  accessMode_ = *mode;
  enabled_ = *enabled;
  return Succeed();
}

int CParameter::Write() {
  Begin();
  if (!link_.IsOpen()) return Fail(eNotConnected);
  if (accessMode_ == eReadOnly) return Fail(eParameterReadOnly, FullName());
  if (!enabled_) return Fail(eParameterDisabled, FullName());
  std::string method;
  std::optional<std::string> argument;
  if (!PendingWrite(method, argument)) return Succeed();
  std::string answer;
  const int result = link_.RunOne({ActionName(method), argument}, answer);
  if (result != eIPCamOk) return Fail(result);
  Written(answer);
  return Succeed();
}

std::vector<std::string> CParameter::ReadMethods() const { return {}; }

bool CParameter::ApplyValues(const std::vector<std::string>&) { return true; }

bool CParameter::PendingWrite(std::string&, std::optional<std::string>&) const { return false; }

void CParameter::Written(const std::string&) {}

int CParameter::Fail(int code, const QString& detail) {
  // When the link failed itself it holds the full text already.
  if (link_.LastError().isEmpty()) link_.Fail(code, detail);
  lastError_ = link_.LastError();
  return code;
}

void CParameter::Begin() { link_.ClearLastError(); }

int CParameter::Succeed() {
  lastError_.clear();
  link_.ClearLastError();
  return eIPCamOk;
}

QString CParameter::FullName() const { return groupName_ + QLatin1Char('.') + name_; }

std::string CParameter::ActionName(const std::string& method) const {
  return ravix::ToCameraText(groupName_) + "." + ravix::ToCameraText(name_) + "." + method;
}

}  // namespace ZorvikIPCam
