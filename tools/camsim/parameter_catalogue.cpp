#include "tools/camsim/parameter_catalogue.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace camsim {

namespace {

using nlohmann::json;

// Thrown inside the parser only; Parse turns it into its error text.
struct CatalogueError {
  std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw CatalogueError{where + ": " + what};
}

bool IsValidName(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

std::string NameOf(const json& node, const std::string& where) {
  if (!node.is_object()) Fail(where, "is not a JSON object");
  if (!node.contains("name") || !node["name"].is_string()) Fail(where, "has no \"name\" text");
  const std::string name = node["name"].get<std::string>();
  if (!IsValidName(name)) Fail(where, "name \"" + name + "\" may hold only letters, digits and \"_\"");
  return name;
}

int64_t IntField(const json& node, const char* key, int64_t fallback, const std::string& where) {
  if (!node.contains(key)) return fallback;
  if (!node[key].is_number_integer()) Fail(where, std::string("\"") + key + "\" is not an integer");
  // Taken as int64_t, a larger number would wrap into a negative one.
  if (node[key].is_number_unsigned() && node[key].get<uint64_t>() > static_cast<uint64_t>(INT64_MAX))
    Fail(where, std::string("\"") + key + "\" is too large");
  return node[key].get<int64_t>();
}

bool BoolField(const json& node, const char* key, bool fallback, const std::string& where) {
  if (!node.contains(key)) return fallback;
  if (!node[key].is_boolean()) Fail(where, std::string("\"") + key + "\" is not true or false");
  return node[key].get<bool>();
}

ParameterType ParseType(const json& node, const std::string& where) {
  if (!node.contains("type") || !node["type"].is_string()) Fail(where, "has no \"type\" text");
  const std::string type = node["type"].get<std::string>();
  if (type == "integer") return ParameterType::Integer;
  if (type == "string") return ParameterType::String;
  if (type == "command") return ParameterType::Command;
  if (type == "enumeration") return ParameterType::Enumeration;
  Fail(where, "type \"" + type + "\" is not integer, string, command or enumeration");
}

bool ParseReadOnly(const json& node, const std::string& where) {
  if (!node.contains("access")) return false;
  if (!node["access"].is_string()) Fail(where, "\"access\" is not a text");
  const std::string access = node["access"].get<std::string>();
  if (access == "readonly") return true;
  if (access == "readwrite") return false;
  Fail(where, "access \"" + access + "\" is not readonly or readwrite");
}

void ParseInteger(const json& node, ParameterDef& def, const std::string& where) {
  def.min = IntField(node, "min", INT32_MIN, where);
  def.max = IntField(node, "max", INT32_MAX, where);
  def.inc = IntField(node, "inc", 1, where);
  if (def.min > def.max) Fail(where, "min " + std::to_string(def.min) + " is above max " + std::to_string(def.max));
  if (def.inc <= 0) Fail(where, "inc " + std::to_string(def.inc) + " is not positive");
  const int64_t value = IntField(node, "value", def.min, where);
  if (value < def.min || value > def.max) Fail(where, "value " + std::to_string(value) + " is outside min and max");
  if (!IsOnStep(def, value)) Fail(where, "value " + std::to_string(value) + " is not on a step of inc");
  def.value = std::to_string(value);
}

void ParseString(const json& node, ParameterDef& def, const std::string& where) {
  const int64_t maxLength = IntField(node, "maxLength", 255, where);
  if (maxLength < 0) Fail(where, "\"maxLength\" is negative");
  def.maxLength = static_cast<std::size_t>(maxLength);
  if (node.contains("value") && !node["value"].is_string()) Fail(where, "\"value\" is not a text");
  def.value = node.value("value", std::string());
  if (def.value.size() > def.maxLength) Fail(where, "value is longer than maxLength");
}

void ParseEnumeration(const json& node, ParameterDef& def, const std::string& where) {
  if (!node.contains("entries") || !node["entries"].is_array() || node["entries"].empty())
    Fail(where, "has no \"entries\" list");
  std::set<std::string> texts;
  std::set<int64_t> values;
  for (std::size_t i = 0; i < node["entries"].size(); ++i) {
    const json& entry = node["entries"][i];
    const std::string at = where + ", entry " + std::to_string(i);
    if (!entry.is_object() || !entry.contains("text") || !entry["text"].is_string())
      Fail(at, "has no \"text\"");
    EnumEntry e{entry["text"].get<std::string>(), IntField(entry, "value", static_cast<int64_t>(i), at)};
    if (e.text.empty() || e.text.find_first_of(",:&=\n") != std::string::npos)
      Fail(at, "text \"" + e.text + "\" is empty or holds one of , : & = or a line feed");
    if (!texts.insert(e.text).second) Fail(at, "text \"" + e.text + "\" appears twice");
    if (!values.insert(e.value).second) Fail(at, "value " + std::to_string(e.value) + " appears twice");
    def.entries.push_back(e);
  }
  const int64_t value = IntField(node, "value", def.entries.front().value, where);
  if (values.count(value) == 0) Fail(where, "value " + std::to_string(value) + " is not one of the entries");
  def.value = std::to_string(value);
}

void ParseCommand(const json& node, ParameterDef& def, const std::string& where) {
  const std::string effect = node.contains("effect") && node["effect"].is_string() ? node["effect"].get<std::string>()
                                                                                     : "none";
  if (node.contains("effect") && !node["effect"].is_string()) Fail(where, "\"effect\" is not a text");
  if (effect == "commit") {
    def.effect = CommandEffect::Commit;
  } else if (effect == "revert") {
    def.effect = CommandEffect::Revert;
  } else if (effect != "none") {
    Fail(where, "effect \"" + effect + "\" is not commit, revert or none");
  }
}

ParameterDef ParseParameter(const json& node, const std::string& where) {
  ParameterDef def;
  def.name = NameOf(node, where);
  const std::string at = where + " (\"" + def.name + "\")";
  def.type = ParseType(node, at);
  def.readOnly = ParseReadOnly(node, at);
  def.enabled = BoolField(node, "enabled", true, at);
  def.staged = BoolField(node, "staged", false, at);
  switch (def.type) {
    case ParameterType::Integer: ParseInteger(node, def, at); break;
    case ParameterType::String: ParseString(node, def, at); break;
    case ParameterType::Enumeration: ParseEnumeration(node, def, at); break;
    case ParameterType::Command: ParseCommand(node, def, at); break;
  }
  return def;
}

ParameterGroup ParseGroup(const json& node, const std::string& where) {
  ParameterGroup group;
  group.name = NameOf(node, where);
  const std::string at = where + " (\"" + group.name + "\")";
  if (!node.contains("parameters") || !node["parameters"].is_array()) Fail(at, "has no \"parameters\" list");
  std::set<std::string> names;
  for (std::size_t i = 0; i < node["parameters"].size(); ++i) {
    ParameterDef def = ParseParameter(node["parameters"][i], at + ", parameter " + std::to_string(i));
    if (!names.insert(def.name).second) Fail(at, "parameter \"" + def.name + "\" appears twice");
    group.parameters.push_back(std::move(def));
  }
  return group;
}

}  // namespace

std::optional<ParameterCatalogue> ParameterCatalogue::Parse(const std::string& jsonText, std::string& error) {
  const json root = json::parse(jsonText, nullptr, false);
  if (root.is_discarded()) {
    error = "catalogue: not valid JSON";
    return std::nullopt;
  }
  try {
    if (!root.is_object() || !root.contains("groups") || !root["groups"].is_array())
      Fail("catalogue", "has no \"groups\" list");
    ParameterCatalogue catalogue;
    std::set<std::string> names;
    for (std::size_t i = 0; i < root["groups"].size(); ++i) {
      ParameterGroup group = ParseGroup(root["groups"][i], "catalogue: group " + std::to_string(i));
      if (!names.insert(group.name).second) Fail("catalogue", "group \"" + group.name + "\" appears twice");
      catalogue.groups_.push_back(std::move(group));
    }
    return catalogue;
  } catch (const CatalogueError& e) {
    error = e.message;
    return std::nullopt;
  }
}

bool IsOnStep(const ParameterDef& def, int64_t value) {
  if (value < def.min || def.inc <= 0) return false;
  const uint64_t distance = static_cast<uint64_t>(value) - static_cast<uint64_t>(def.min);
  return distance % static_cast<uint64_t>(def.inc) == 0;
}

std::optional<ParameterCatalogue> ParameterCatalogue::Load(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read catalogue file " + path;
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  auto catalogue = Parse(text.str(), error);
  if (!catalogue) error = path + ": " + error;
  return catalogue;
}

const ParameterGroup* ParameterCatalogue::FindGroup(const std::string& name) const {
  for (const ParameterGroup& group : groups_) {
    if (group.name == name) return &group;
  }
  return nullptr;
}

const ParameterDef* ParameterCatalogue::Find(const std::string& group, const std::string& parameter) const {
  const ParameterGroup* g = FindGroup(group);
  if (g == nullptr) return nullptr;
  for (const ParameterDef& def : g->parameters) {
    if (def.name == parameter) return &def;
  }
  return nullptr;
}

const char* TypeName(ParameterType type) {
  switch (type) {
    case ParameterType::Integer: return "integer";
    case ParameterType::String: return "string";
    case ParameterType::Command: return "command";
    case ParameterType::Enumeration: return "enumeration";
  }
  return "unknown";
}

}  // namespace camsim
