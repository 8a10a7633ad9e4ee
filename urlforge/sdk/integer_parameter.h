#pragma once
// CIntegerParameter: an integer with minimum, maximum and increment.

#include <optional>

#include "urlforge/sdk/parameter.h"

namespace ZorvikIPCam {

class CIntegerParameter : public CParameter {
 public:
  using CParameter::CParameter;

  eParameterType GetType() const override { return eInteger; }

  // The value set since the last Write, else the camera's.
  int GetValue() const { return pending_.value_or(value_); }
  // Keeps value for the next Write; the camera checks it then.
  int SetValue(int value);
  int GetMin() const { return min_; }
  int GetMax() const { return max_; }
  int GetInc() const { return inc_; }

 protected:
  std::vector<std::string> ReadMethods() const override;
  bool ApplyValues(const std::vector<std::string>& values) override;
  bool PendingWrite(std::string& method, std::optional<std::string>& argument) const override;
  void Written(const std::string& answer) override;

 private:
  int value_ = 0;
  int min_ = 0;
  int max_ = 0;
  int inc_ = 1;
  std::optional<int> pending_;
};

}  // namespace ZorvikIPCam
