#pragma once
// Descriptions of the simulated cameras and other services, read from JSON or made from
// the built-in profiles. See tools/camsim/README.md for the format.

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace camsim {

// Faults a camera plays; all off by default. pathFilter limits every fault but refuse to
// requests whose path contains that text.
struct FaultSettings {
  int delayMs = 0;            // wait before answering
  bool noAnswer = false;      // read the request, never answer
  bool refuse = false;        // no listener: connections are refused
  int httpStatus = 0;         // answer every request with this status
  bool exception = false;     // parameter actions answer Exception lines
  bool malformed = false;     // answers not in the camera's format
  bool oversize = false;      // answer bodies over 4 KB
  bool firmwareRefused = false;  // the image is never accepted
  bool endlessStatus = false;    // status pages never point to the check page
  bool dropUpload = false;       // connection dropped while the image is posted
  std::string pathFilter;

  bool AppliesTo(const std::string& path) const;
};

struct FirmwareBehaviour {
  int statusPages = 2;     // status pages before the check page
  int refreshSeconds = 1;  // content of the refresh instruction
};

// A TXT record in publication order; keys unique.
using TxtRecord = std::vector<std::pair<std::string, std::string>>;

struct Credentials {
  std::string username;
  std::string password;
};

struct CameraConfig {
  bool isCamera = true;      // false: another _http._tcp service (printer, NAS) without camera HTTP
  std::string name;          // DNS-SD service instance name
  std::string host;          // host name, published as host + ".local"
  std::string address;       // IPv4 address it is published with and listens on; empty: next free one
  uint16_t port = 0;         // 0: the simulator's default port
  int prefix = 0;            // network prefix for Network.NetPrefix; 0: the interface's
  // What the camera advertises; empty fields are left out of the TXT record.
  std::string model, serial, fwversion, modelid, mac, ipv4Net, ipv4Zc, path;
  // "txt" entries of the description: replace or (without value) remove generated keys.
  std::vector<std::pair<std::string, std::optional<std::string>>> txtOverrides;
  TxtRecord txt;  // the record as published; made by CompleteCamera
  std::optional<Credentials> login;             // set: the camera requires a login
  std::map<std::string, std::string> parameters;  // "Group.Parameter" -> start value
  FaultSettings faults;
  FirmwareBehaviour firmware;
};

struct SimulationConfig {
  std::vector<CameraConfig> cameras;  // cameras and other services, in order
};

// Parsers: on failure they return nothing and set error to a text that names the entry
// and field at fault.
std::optional<SimulationConfig> ParseSimulationConfig(const std::string& jsonText, std::string& error);
std::optional<SimulationConfig> LoadSimulationConfig(const std::string& path, std::string& error);
std::optional<CameraConfig> ParseCameraConfig(const nlohmann::json& node, bool isCamera, std::string& error);
std::optional<FaultSettings> ParseFaultSettings(const nlohmann::json& node, std::string& error);
std::optional<TxtRecord> ParseTxtRecord(const nlohmann::json& node, std::string& error);

nlohmann::json FaultSettingsToJson(const FaultSettings& faults);

// Built-in profiles. "plain": count Box cameras without login, everything advertised.
// "mixed": every 4th camera a Dome, every 5th needs the login admin/zorvik, every 3rd
// advertises no MAC address, plus a printer and a NAS.
std::optional<SimulationConfig> MakeProfile(const std::string& profile, int count, std::string& error);

// Fills in the defaults that depend on the final address and port (host name, service
// name, the TXT record); index numbers nameless entries.
void CompleteCamera(CameraConfig& camera, int index);
// Parameter values that follow from the description (network and device identity); the
// description's own "parameters" take precedence.
std::map<std::string, std::string> DerivedParameters(const CameraConfig& camera);

}  // namespace camsim
