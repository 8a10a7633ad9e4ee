// The simulator's camera descriptions (a --config file, or one camera, TXT record or fault
// set of a control command): refused with a text, or taken with every value as written.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/camsim/camera_config.h"

namespace {

using nlohmann::json;

// A parameter's start value is the text given, or the integer exactly as written.
void CheckParameters(const camsim::CameraConfig& camera, const json& node) {
  if (!node.is_object() || !node.contains("parameters")) {
    if (!camera.parameters.empty()) std::abort();
    return;
  }
  const json& given = node["parameters"];
  if (camera.parameters.size() != given.size()) std::abort();
  for (const auto& item : given.items()) {
    const auto found = camera.parameters.find(item.key());
    if (found == camera.parameters.end()) std::abort();
    const std::string expected = item.value().is_string() ? item.value().get<std::string>() : item.value().dump();
    if (found->second != expected) std::abort();
  }
}

void CheckCamera(const camsim::CameraConfig& camera, const json& node) {
  if (camera.prefix < 0 || camera.prefix > 32) std::abort();
  if (camera.host.find_first_of(" ./") != std::string::npos) std::abort();
  if (camera.login && camera.login->username.empty()) std::abort();
  for (const auto& [key, value] : camera.txtOverrides) {
    if (key.empty() || key.find('=') != std::string::npos) std::abort();
  }
  if (camera.faults.delayMs < 0 || camera.faults.httpStatus < 0 || camera.faults.httpStatus > 599) std::abort();
  if (camera.firmware.statusPages < 0 || camera.firmware.refreshSeconds < 0) std::abort();
  CheckParameters(camera, node);
}

void CheckConfig(const camsim::SimulationConfig& config, const json& root) {
  size_t index = 0;
  for (const char* list : {"cameras", "services"}) {
    if (!root.contains(list)) continue;
    for (const json& node : root[list]) {
      if (index >= config.cameras.size()) std::abort();
      CheckCamera(config.cameras[index++], node);
    }
  }
  if (index != config.cameras.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto config = camsim::ParseSimulationConfig(text, error);
  const json root = json::parse(text, nullptr, false);
  if (!config) {
    if (error.empty()) std::abort();
  } else {
    if (root.is_discarded()) std::abort();
    CheckConfig(*config, root);
  }
  if (root.is_discarded()) return 0;

  // The same text as the JSON of the control commands add, txt and fault.
  error.clear();
  const auto camera = camsim::ParseCameraConfig(root, true, error);
  if (camera) {
    CheckCamera(*camera, root);
  } else if (error.empty()) {
    std::abort();
  }
  error.clear();
  const auto txt = camsim::ParseTxtRecord(root, error);
  if (!txt && error.empty()) std::abort();
  error.clear();
  const auto faults = camsim::ParseFaultSettings(root, error);
  if (!faults && error.empty()) std::abort();
  return 0;
}
