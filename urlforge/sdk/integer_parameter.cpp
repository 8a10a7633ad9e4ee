#include "urlforge/sdk/integer_parameter.h"

#include "urlforge/sdk/sdk_text.h"

namespace ZorvikIPCam {

int CIntegerParameter::SetValue(int value) {
  Begin();
  pending_ = value;
  return Succeed();
}

std::vector<std::string> CIntegerParameter::ReadMethods() const { return {"GetValue", "GetMin", "GetMax", "GetInc"}; }

bool CIntegerParameter::ApplyValues(const std::vector<std::string>& values) {
  int read[4] = {};
  if (values.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    if (!ravix::ParseWholeInt(values[i], read[i])) return false;
  }
  value_ = read[0];
  min_ = read[1];
  max_ = read[2];
  inc_ = read[3];
  pending_.reset();
  return true;
}

bool CIntegerParameter::PendingWrite(std::string& method, std::optional<std::string>& argument) const {
  method = "SetValue";
  argument = std::to_string(GetValue());
  return true;
}

void CIntegerParameter::Written(const std::string& answer) {
  // The camera answers with the value it stored.
  if (!ravix::ParseWholeInt(answer, value_)) value_ = GetValue();
  pending_.reset();
}

}  // namespace ZorvikIPCam
