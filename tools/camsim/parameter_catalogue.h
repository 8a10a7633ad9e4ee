#pragma once
// The camera's parameter catalogue: groups of typed parameters with their limits, access
// mode and start value, read from JSON. Every simulated camera starts from one catalogue
// and keeps its own values (CameraParameters).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace camsim {

enum class ParameterType { Integer, String, Command, Enumeration };

// What executing a command parameter does to the staged values of its group.
enum class CommandEffect { None, Commit, Revert };

struct EnumEntry {
  std::string text;
  int64_t value = 0;
};

struct ParameterDef {
  std::string name;
  ParameterType type = ParameterType::String;
  bool readOnly = false;
  bool enabled = true;
  // Staged parameters change only when a Commit command of their group runs.
  bool staged = false;
  int64_t min = 0, max = 0, inc = 1;    // Integer
  std::size_t maxLength = 0;            // String
  std::vector<EnumEntry> entries;       // Enumeration
  CommandEffect effect = CommandEffect::None;  // Command
  // Start value as text: decimal for Integer and Enumeration (the entry's value), the
  // text for String, empty for Command.
  std::string value;
};

struct ParameterGroup {
  std::string name;
  std::vector<ParameterDef> parameters;
};

class ParameterCatalogue {
 public:
  // Parses catalogue JSON; on failure returns nothing and sets error to a message that
  // names the faulty group, parameter or field.
  static std::optional<ParameterCatalogue> Parse(const std::string& jsonText, std::string& error);
  static std::optional<ParameterCatalogue> Load(const std::string& path, std::string& error);
  // The catalogue that ships with the simulator.
  static const ParameterCatalogue& Default();
  static const char* DefaultJson();

  const std::vector<ParameterGroup>& Groups() const { return groups_; }
  const ParameterGroup* FindGroup(const std::string& name) const;
  const ParameterDef* Find(const std::string& group, const std::string& parameter) const;

 private:
  std::vector<ParameterGroup> groups_;
};

const char* TypeName(ParameterType type);

// Whether an integer value from min upwards lies on a step of inc, for every pair of
// limits (the distance from min is taken without overflow).
bool IsOnStep(const ParameterDef& def, int64_t value);

}  // namespace camsim
