#pragma once
// CStringParameter: a text with a maximum length.

#include <optional>

#include "urlforge/sdk/parameter.h"

namespace ZorvikIPCam {

class CStringParameter : public CParameter {
 public:
  using CParameter::CParameter;

  eParameterType GetType() const override { return eString; }

  // The value set since the last Write, else the camera's.
  QString GetValue() const { return pending_.value_or(value_); }
  // Keeps value for the next Write; the camera checks it then.
  int SetValue(const QString& value);
  int GetMaxLength() const { return maxLength_; }

 protected:
  std::vector<std::string> ReadMethods() const override;
  bool ApplyValues(const std::vector<std::string>& values) override;
  bool PendingWrite(std::string& method, std::optional<std::string>& argument) const override;
  void Written(const std::string& answer) override;

 private:
  QString value_;
  int maxLength_ = 0;
  std::optional<QString> pending_;
};

}  // namespace ZorvikIPCam
