#include "tools/camsim/camera_parameters.h"

#include <charconv>
#include <vector>

namespace camsim {

namespace {

ActionOutcome Return(std::string text) { return {true, std::move(text)}; }
ActionOutcome Raise(std::string text) { return {false, std::move(text)}; }

std::vector<std::string> SplitDots(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    parts.push_back(text.substr(start, dot - start));
    if (dot == std::string::npos) return parts;
    start = dot + 1;
  }
}

std::optional<int64_t> ParseInteger(const std::string& text) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

bool MethodBelongsTo(ParameterType type, const std::string& method) {
  static const std::map<ParameterType, std::vector<std::string>> methods = {
      {ParameterType::Integer, {"SetValue", "GetValue", "GetMin", "GetMax", "GetInc"}},
      {ParameterType::String, {"SetValue", "GetValue", "GetMaxLength"}},
      {ParameterType::Command, {"Execute", "IsDone", "Stop"}},
      {ParameterType::Enumeration,
       {"SetStringValue", "SetIntValue", "GetStringValue", "GetIntValue", "GetEntries"}},
  };
  for (const std::string& m : methods.at(type)) {
    if (m == method) return true;
  }
  return false;
}

const EnumEntry* FindEntry(const ParameterDef& def, const std::string& valueText) {
  for (const EnumEntry& e : def.entries) {
    if (std::to_string(e.value) == valueText) return &e;
  }
  return nullptr;
}

std::string EntriesText(const ParameterDef& def) {
  std::string text;
  for (const EnumEntry& e : def.entries) {
    if (!text.empty()) text += ',';
    text += e.text + ':' + std::to_string(e.value);
  }
  return text;
}

}  // namespace

std::optional<std::string> NormaliseValue(const ParameterDef& def, const std::string& value, std::string& error) {
  switch (def.type) {
    case ParameterType::Integer: {
      const auto v = ParseInteger(value);
      if (!v) {
        error = "Value '" + value + "' is not an integer";
      } else if (*v < def.min || *v > def.max) {
        error = "Value " + value + " is outside " + std::to_string(def.min) + " to " + std::to_string(def.max);
      } else if (!IsOnStep(def, *v)) {
        error = "Value " + value + " is not on a step of " + std::to_string(def.inc);
      } else {
        return std::to_string(*v);
      }
      return std::nullopt;
    }
    case ParameterType::String:
      if (value.size() > def.maxLength) {
        error = "Value is longer than " + std::to_string(def.maxLength) + " characters";
        return std::nullopt;
      }
      return value;
    case ParameterType::Enumeration:
      for (const EnumEntry& e : def.entries) {
        if (e.text == value || std::to_string(e.value) == value) return std::to_string(e.value);
      }
      error = "Value '" + value + "' is not an entry";
      return std::nullopt;
    case ParameterType::Command:
      error = "A command has no value";
      return std::nullopt;
  }
  return std::nullopt;
}

CameraParameters::CameraParameters(std::shared_ptr<const ParameterCatalogue> catalogue)
    : catalogue_(std::move(catalogue)) {
  for (const ParameterGroup& group : catalogue_->Groups()) {
    for (const ParameterDef& def : group.parameters) {
      if (def.type != ParameterType::Command) values_[group.name + "." + def.name] = def.value;
    }
  }
}

ActionOutcome CameraParameters::Run(const std::string& action, const std::optional<std::string>& argument) {
  const std::vector<std::string> parts = SplitDots(action);
  if (parts.size() == 1 && parts[0] == "GetGroups") return ListGroups();
  if (parts.size() == 2 && parts[1] == "GetParameters") return ListParameters(parts[0]);
  if (parts.size() != 3) return Raise("Unknown action " + action);
  const ParameterDef* def = catalogue_->Find(parts[0], parts[1]);
  if (def == nullptr) return Raise("Unknown parameter " + parts[0] + "." + parts[1]);
  return RunOnParameter(parts[0], *def, parts[2], argument);
}

ActionOutcome CameraParameters::RunOnParameter(const std::string& group, const ParameterDef& def,
                                               const std::string& method, const std::optional<std::string>& argument) {
  const std::string key = group + "." + def.name;
  if (method == "IsEnabled") return Return(def.enabled ? "1" : "0");
  if (method == "IsReadonly") return Return(def.readOnly ? "1" : "0");
  if (method == "GetType") return Return(TypeName(def.type));
  if (method == "GetAccessMode") return Return(def.readOnly ? "readonly" : "readwrite");
  if (!MethodBelongsTo(def.type, method)) {
    return Raise("Method " + method + " is not available for the " + TypeName(def.type) + " parameter " + key);
  }
  if (method == "GetValue" || method == "GetIntValue") return Return(values_.at(key));
  if (method == "GetMin") return Return(std::to_string(def.min));
  if (method == "GetMax") return Return(std::to_string(def.max));
  if (method == "GetInc") return Return(std::to_string(def.inc));
  if (method == "GetMaxLength") return Return(std::to_string(def.maxLength));
  if (method == "GetEntries") return Return(EntriesText(def));
  if (method == "GetStringValue") {
    const EnumEntry* entry = FindEntry(def, values_.at(key));
    return Return(entry != nullptr ? entry->text : "");
  }
  if (method == "IsDone") return Return("1");
  if (method == "Execute") return Execute(group, def);
  if (method == "Stop") return Return("OK");
  // The Set methods.
  if (!argument) return Raise("Missing value for " + key + "." + method);
  if (method == "SetIntValue" && !ParseInteger(*argument)) return Raise("Value '" + *argument + "' is not an integer");
  if (method == "SetStringValue") {
    for (const EnumEntry& e : def.entries) {
      if (e.text == *argument) return Write(group, def, std::to_string(e.value));
    }
    return Raise("Value '" + *argument + "' is not an entry");
  }
  return Write(group, def, *argument);
}

ActionOutcome CameraParameters::Write(const std::string& group, const ParameterDef& def, const std::string& value) {
  const std::string key = group + "." + def.name;
  if (!def.enabled) return Raise("Parameter " + key + " is disabled");
  if (def.readOnly) return Raise("Parameter " + key + " is read-only");
  std::string error;
  const auto stored = NormaliseValue(def, value, error);
  if (!stored) return Raise(error);
  if (def.type == ParameterType::Enumeration && FindEntry(def, *stored) == nullptr) return Raise("No such entry");
  (def.staged ? staged_ : values_)[key] = *stored;
  return Return(*stored);
}

ActionOutcome CameraParameters::Execute(const std::string& group, const ParameterDef& def) {
  if (!def.enabled) return Raise("Parameter " + group + "." + def.name + " is disabled");
  if (def.readOnly) return Raise("Parameter " + group + "." + def.name + " is read-only");
  if (def.effect == CommandEffect::None) return Return("OK");
  const std::string prefix = group + ".";
  for (auto it = staged_.begin(); it != staged_.end();) {
    if (it->first.compare(0, prefix.size(), prefix) != 0) {
      ++it;
      continue;
    }
    if (def.effect == CommandEffect::Commit) values_[it->first] = it->second;
    it = staged_.erase(it);
  }
  return Return("OK");
}

ActionOutcome CameraParameters::ListGroups() const {
  std::string text;
  for (const ParameterGroup& group : catalogue_->Groups()) {
    if (!text.empty()) text += ',';
    text += group.name;
  }
  return Return(text);
}

ActionOutcome CameraParameters::ListParameters(const std::string& group) const {
  const ParameterGroup* g = catalogue_->FindGroup(group);
  if (g == nullptr) return Raise("Unknown group " + group);
  std::string text;
  for (const ParameterDef& def : g->parameters) {
    if (!text.empty()) text += ',';
    text += def.name;
  }
  return Return(text);
}

bool CameraParameters::Assign(const std::string& fullName, const std::string& value, std::string& error) {
  const std::size_t dot = fullName.find('.');
  const ParameterDef* def =
      dot == std::string::npos ? nullptr : catalogue_->Find(fullName.substr(0, dot), fullName.substr(dot + 1));
  if (def == nullptr) {
    error = "unknown parameter " + fullName;
    return false;
  }
  const auto stored = NormaliseValue(*def, value, error);
  if (!stored) {
    error = fullName + ": " + error;
    return false;
  }
  values_[fullName] = *stored;
  staged_.erase(fullName);
  return true;
}

std::optional<std::string> CameraParameters::Value(const std::string& fullName) const {
  const auto it = values_.find(fullName);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> CameraParameters::StagedValue(const std::string& fullName) const {
  const auto it = staged_.find(fullName);
  if (it == staged_.end()) return std::nullopt;
  return it->second;
}

}  // namespace camsim
