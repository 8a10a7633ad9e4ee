// What reaches the simulator from outside: a request's query (its pairs, and each value
// checked against parameters of the shipped catalogue), the parameter interface that
// answers it, and control command lines.

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tools/camsim/camera_config.h"
#include "tools/camsim/camera_parameters.h"
#include "tools/camsim/control_channel.h"
#include "tools/camsim/parameter_catalogue.h"
#include "tools/camsim/simulated_camera.h"
#include "tools/camsim/simulator.h"

namespace {

using camsim::ParameterDef;
using camsim::ParameterType;

// Parameters of every type, with negative limits and steps among them.
const std::vector<const ParameterDef*>& Definitions() {
  static const std::vector<const ParameterDef*> defs = [] {
    const camsim::ParameterCatalogue& catalogue = camsim::ParameterCatalogue::Default();
    std::vector<const ParameterDef*> found;
    for (const auto& [group, name] : {std::pair{"Image", "Brightness"}, {"Image", "Gain"}, {"Network", "HTTPPort"},
                                      {"Device", "Location"}, {"Device", "MacAddress"}, {"Image", "ExposureMode"},
                                      {"Device", "Reboot"}}) {
      const ParameterDef* def = catalogue.Find(group, name);
      if (def == nullptr) std::abort();
      found.push_back(def);
    }
    return found;
  }();
  return defs;
}

void CheckNormalised(const ParameterDef& def, const std::string& value) {
  std::string error;
  const auto stored = camsim::NormaliseValue(def, value, error);
  if (!stored) {
    if (error.empty()) std::abort();
    return;
  }
  switch (def.type) {
    case ParameterType::Integer: {
      int64_t number = 0;
      const char* end = stored->data() + stored->size();
      const auto [ptr, ec] = std::from_chars(stored->data(), end, number);
      if (ec != std::errc() || ptr != end || number < def.min || number > def.max) std::abort();
      if ((number - def.min) % def.inc != 0) std::abort();
      if (std::to_string(number) != *stored) std::abort();
      break;
    }
    case ParameterType::String:
      if (*stored != value || stored->size() > def.maxLength) std::abort();
      break;
    case ParameterType::Enumeration:
      if (std::none_of(def.entries.begin(), def.entries.end(),
                       [&](const camsim::EnumEntry& e) { return std::to_string(e.value) == *stored; }))
        std::abort();
      break;
    case ParameterType::Command:
      std::abort();
  }
  // The stored form is taken as it is.
  std::string again;
  const auto twice = camsim::NormaliseValue(def, *stored, again);
  if (!twice || *twice != *stored) std::abort();
}

void CheckQuery(const std::string& query) {
  const auto pairs = camsim::ParseQuery(query);
  size_t items = 0;
  size_t start = 0;
  while (start <= query.size()) {
    const size_t end = std::min(query.find('&', start), query.size());
    if (end > start) ++items;
    start = end + 1;
  }
  if (pairs.size() != items) std::abort();
  const bool escaped = query.find('%') != std::string::npos;
  for (const auto& [key, value] : pairs) {
    if (key.size() + value.size() > query.size()) std::abort();
    if (!escaped && (key.find_first_of("&=") != std::string::npos || value.find('&') != std::string::npos))
      std::abort();
    for (const ParameterDef* def : Definitions()) CheckNormalised(*def, value);
  }
}

// The parameter interface of a camera without login, asked with the input as its query.
void CheckParameterInterface(const std::string& query) {
  static const auto catalogue = std::shared_ptr<const camsim::ParameterCatalogue>(
      &camsim::ParameterCatalogue::Default(), [](const camsim::ParameterCatalogue*) {});
  camsim::CameraConfig config;
  config.address = "192.0.2.10";
  config.serial = "ZV100";
  camsim::CompleteCamera(config, 0);
  std::string error;
  const auto camera = camsim::SimulatedCamera::Create(config, catalogue, error);
  if (!camera) std::abort();
  const camsim::CameraResponse response = camera->Handle({"GET", "/cgi-bin/param_if.cgi", query, std::nullopt});
  if (response.status != 200 && response.status != 400) std::abort();
}

// A simulator without devices and without mDNS; nothing of it touches the network as
// long as no device is added, so add commands are left out.
camsim::ControlChannel& Channel() {
  static camsim::Simulator simulator([] {
    camsim::SimulatorOptions options;
    options.mdns = false;
    options.addressPool = {"127.0.0.1"};
    return options;
  }());
  static camsim::ControlChannel channel(simulator);
  return channel;
}

void CheckControlLines(const std::string& text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const size_t verb = line.find_first_not_of(" \t");
    if (verb != std::string::npos && line.compare(verb, 3, "add") == 0) continue;
    const std::string answer = Channel().Execute(line);
    if (answer != "ok" && answer.rfind("ok ", 0) != 0 && answer.rfind("error ", 0) != 0) std::abort();
    if (answer.find('\n') != std::string::npos) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckQuery(text);
  CheckParameterInterface(text);
  CheckControlLines(text);
  return 0;
}
