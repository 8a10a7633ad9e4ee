#include "urlforge/sdk/parameter_group.h"

namespace ZorvikIPCam {

CParameterGroup::CParameterGroup(QString name) : name_(std::move(name)) {}

CParameterGroup::~CParameterGroup() = default;

std::vector<CParameter*> CParameterGroup::GetParameters() const {
  std::vector<CParameter*> parameters;
  for (const auto& parameter : parameters_) parameters.push_back(parameter.get());
  return parameters;
}

CParameter* CParameterGroup::FindParameter(const QString& name) const {
  for (const auto& parameter : parameters_) {
    if (parameter->GetName() == name) return parameter.get();
  }
  return nullptr;
}

void CParameterGroup::AddParameter(std::unique_ptr<CParameter> parameter) {
  if (parameter) parameters_.push_back(std::move(parameter));
}

}  // namespace ZorvikIPCam
