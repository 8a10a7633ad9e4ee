#include "tests/support/camsim_fleet.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

nlohmann::json Camera(int number, bool silent) {
  char serial[16];
  char mac[24];
  std::snprintf(serial, sizeof serial, "ZV%07d", number);
  std::snprintf(mac, sizeof mac, "00-1e-c0-%02x-%02x-%02x", (number >> 16) & 0xff, (number >> 8) & 0xff,
                number & 0xff);
  nlohmann::json camera = {{"model", "Ravix-B120"}, {"modelid", "B120-4MP"}, {"serial", serial},
                           {"fwversion", "3.2.1"},  {"mac", mac},            {"path", "/index.html"}};
  if (silent) camera["faults"] = {{"no_answer", true}};
  return camera;
}

}  // namespace

bool CamsimFleet::Start(int cameras, int silentEvery, std::string* error) {
  const char* linksText = std::getenv("NETLAB_LINKS");
  const int links = linksText != nullptr ? std::atoi(linksText) : 0;
  const int needed = (cameras + kCamerasPerSimulator - 1) / kCamerasPerSimulator;
  if (needed > links) {
    if (error != nullptr)
      *error = std::to_string(cameras) + " cameras need " + std::to_string(needed) + " lab links of " +
               std::to_string(kCamerasPerSimulator) + " addresses (the lab has " + std::to_string(links) + ")";
    return false;
  }
  silent_ = 0;
  for (int link = 0; link < needed; ++link) {
    nlohmann::json list = nlohmann::json::array();
    const int first = link * kCamerasPerSimulator;
    for (int i = first; i < std::min(cameras, first + kCamerasPerSimulator); ++i) {
      const bool silent = silentEvery > 0 && i % silentEvery == 0;
      silent_ += silent ? 1 : 0;
      list.push_back(Camera(i + 1, silent));
    }
    CamsimProcess::Options options;
    const char* ns = std::getenv(("NETLAB_CAM" + std::to_string(link)).c_str());
    options.cameraNamespace = ns != nullptr ? ns : "";
    options.camerasJson = nlohmann::json{{"cameras", list}}.dump();
    options.readyTimeoutMs = 120000;
    auto simulator = std::make_unique<CamsimProcess>(options);
    std::string why;
    if (!simulator->Start(&why)) {
      if (error != nullptr) *error = "simulator " + std::to_string(link) + ": " + why;
      return false;
    }
    simulators_.push_back(std::move(simulator));
  }
  return true;
}
