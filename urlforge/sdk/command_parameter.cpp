#include "urlforge/sdk/command_parameter.h"

namespace ZorvikIPCam {

std::vector<std::string> CCommandParameter::ReadMethods() const { return {"IsDone"}; }

bool CCommandParameter::ApplyValues(const std::vector<std::string>& values) {
  if (values.size() != 1 || (values[0] != "0" && values[0] != "1")) return false;
  done_ = values[0] == "1";
  return true;
}

bool CCommandParameter::PendingWrite(std::string& method, std::optional<std::string>& argument) const {
  method = command_ == eStop ? "Stop" : "Execute";
  argument.reset();
  return true;
}

}  // namespace ZorvikIPCam
