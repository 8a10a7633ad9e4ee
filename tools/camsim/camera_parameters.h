#pragma once
// One camera's parameter values over a catalogue, and the methods of its parameter
// interface. Actions are named "Group.Parameter.Method"; "Group.GetParameters" and
// "GetGroups" list the catalogue. Parameters marked staged keep SetValue writes aside
// until a Commit command of their group applies them (Revert drops them); reads always
// show the applied value. Not locked: the owning camera serialises access.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "tools/camsim/parameter_catalogue.h"

namespace camsim {

struct ActionOutcome {
  bool ok = false;   // "Return" when true, "Exception" when false
  std::string text;  // the returned value or the exception text
};

class CameraParameters {
 public:
  explicit CameraParameters(std::shared_ptr<const ParameterCatalogue> catalogue);

  // Runs one action; argument is Parameter_i_0 when the request carried it.
  ActionOutcome Run(const std::string& action, const std::optional<std::string>& argument);

  // Sets the applied value of "Group.Parameter" directly (camera set-up and control
  // channel), checked like a write but ignoring access mode and staging.
  bool Assign(const std::string& fullName, const std::string& value, std::string& error);
  std::optional<std::string> Value(const std::string& fullName) const;
  std::optional<std::string> StagedValue(const std::string& fullName) const;

 private:
  ActionOutcome RunOnParameter(const std::string& group, const ParameterDef& def, const std::string& method,
                               const std::optional<std::string>& argument);
  ActionOutcome Write(const std::string& group, const ParameterDef& def, const std::string& value);
  ActionOutcome Execute(const std::string& group, const ParameterDef& def);
  ActionOutcome ListGroups() const;
  ActionOutcome ListParameters(const std::string& group) const;

  std::shared_ptr<const ParameterCatalogue> catalogue_;
  std::map<std::string, std::string> values_;  // "Group.Parameter" -> applied value
  std::map<std::string, std::string> staged_;  // "Group.Parameter" -> pending value
};

// Checks value against the parameter's type and limits; on success returns the value in
// stored form (decimal for integers and enumerations), else an error text.
std::optional<std::string> NormaliseValue(const ParameterDef& def, const std::string& value, std::string& error);

}  // namespace camsim
