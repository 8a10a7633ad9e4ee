#pragma once
// CCommandParameter: a command the camera runs. Execute or Stop chooses what the next
// Write sends (Execute unless Stop was chosen); IsDone is read by Update.

#include "urlforge/sdk/parameter.h"

namespace ZorvikIPCam {

class CCommandParameter : public CParameter {
 public:
  using CParameter::CParameter;

  eParameterType GetType() const override { return eCommand; }

  bool IsDone() const { return done_; }
  void Execute() { command_ = eExecute; }
  void Stop() { command_ = eStop; }

 protected:
  std::vector<std::string> ReadMethods() const override;
  bool ApplyValues(const std::vector<std::string>& values) override;
  bool PendingWrite(std::string& method, std::optional<std::string>& argument) const override;

 private:
  bool done_ = true;
  eFunction command_ = eExecute;
};

}  // namespace ZorvikIPCam
