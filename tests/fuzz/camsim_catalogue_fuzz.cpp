// The simulator's parameter catalogue (a --catalogue file): refused with a text, or every
// parameter holds limits as written and a start value that its own checks accept.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/camsim/camera_parameters.h"
#include "tools/camsim/parameter_catalogue.h"

namespace {

using camsim::ParameterDef;
using camsim::ParameterType;
using nlohmann::json;

void CheckWritten(const json& node, const char* key, int64_t taken) {
  if (node.is_object() && node.contains(key) && node[key].dump() != std::to_string(taken)) std::abort();
}

void CheckDefinition(const ParameterDef& def, const json& node) {
  std::string error;
  if (def.type == ParameterType::Command) {
    if (camsim::NormaliseValue(def, def.value, error)) std::abort();
    return;
  }
  const auto start = camsim::NormaliseValue(def, def.value, error);
  if (!start || *start != def.value) std::abort();
  if (def.type != ParameterType::Integer) return;
  if (def.min > def.max || def.inc <= 0) std::abort();
  CheckWritten(node, "min", def.min);
  CheckWritten(node, "max", def.max);
  CheckWritten(node, "inc", def.inc);
  // The lowest value is always on a step.
  if (!camsim::NormaliseValue(def, std::to_string(def.min), error)) std::abort();
  camsim::NormaliseValue(def, std::to_string(def.max), error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto catalogue = camsim::ParameterCatalogue::Parse(text, error);
  if (!catalogue) {
    if (error.empty()) std::abort();
    return 0;
  }
  // Groups and parameters are kept in the order of the file.
  const json root = json::parse(text, nullptr, false);
  const auto& groups = catalogue->Groups();
  if (root.is_discarded() || groups.size() != root.at("groups").size()) std::abort();
  for (size_t g = 0; g < groups.size(); ++g) {
    const json& written = root.at("groups").at(g).at("parameters");
    if (groups[g].parameters.size() != written.size()) std::abort();
    for (size_t p = 0; p < written.size(); ++p) CheckDefinition(groups[g].parameters[p], written.at(p));
  }
  // A camera over it lists what it holds.
  camsim::CameraParameters parameters(std::make_shared<const camsim::ParameterCatalogue>(std::move(*catalogue)));
  if (!parameters.Run("GetGroups", std::nullopt).ok) std::abort();
  return 0;
}
