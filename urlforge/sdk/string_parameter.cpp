#include "urlforge/sdk/string_parameter.h"

#include "urlforge/sdk/sdk_text.h"

namespace ZorvikIPCam {

int CStringParameter::SetValue(const QString& value) {
  Begin();
  pending_ = value;
  return Succeed();
}

std::vector<std::string> CStringParameter::ReadMethods() const { return {"GetValue", "GetMaxLength"}; }

bool CStringParameter::ApplyValues(const std::vector<std::string>& values) {
  int maxLength = 0;
  if (values.size() != 2 || !ravix::ParseWholeInt(values[1], maxLength)) return false;
  value_ = ravix::FromCameraText(values[0]);
  maxLength_ = maxLength;
  pending_.reset();
  return true;
}

bool CStringParameter::PendingWrite(std::string& method, std::optional<std::string>& argument) const {
  method = "SetValue";
  argument = ravix::ToCameraText(GetValue());
  return true;
}

void CStringParameter::Written(const std::string& answer) {
  value_ = ravix::FromCameraText(answer);
  pending_.reset();
}

}  // namespace ZorvikIPCam
