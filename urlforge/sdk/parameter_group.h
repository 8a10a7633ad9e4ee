#pragma once
// CParameterGroup: a named group of a camera's parameters, in the camera's order. The
// group owns its parameters.

#include <QString>
#include <memory>
#include <vector>

#include "urlforge/sdk/parameter.h"

namespace ZorvikIPCam {

class CParameterGroup {
 public:
  explicit CParameterGroup(QString name);
  ~CParameterGroup();
  CParameterGroup(const CParameterGroup&) = delete;
  CParameterGroup& operator=(const CParameterGroup&) = delete;

  QString GetName() const { return name_; }
  // The parameters in the camera's order; they live as long as the group.
  std::vector<CParameter*> GetParameters() const;
  // The parameter of that name; null when the group has none.
  CParameter* FindParameter(const QString& name) const;

  void AddParameter(std::unique_ptr<CParameter> parameter);

 private:
  QString name_;
  std::vector<std::unique_ptr<CParameter>> parameters_;
};

}  // namespace ZorvikIPCam
