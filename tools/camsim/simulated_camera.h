#pragma once
// One simulated camera: its description, parameters, login sessions, firmware update and
// fault settings, and the answers of its HTTP interfaces (auth_if.cgi, param_if.cgi,
// firmware.cgi). Transport faults (delay, no answer, refusal, dropped uploads) are played
// by the HTTP server; everything here is thread-safe under the camera's own mutex.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/camsim/camera_config.h"
#include "tools/camsim/camera_parameters.h"
#include "tools/camsim/firmware_update.h"
#include "tools/camsim/parameter_catalogue.h"
#include "tools/camsim/session_table.h"

namespace camsim {

struct CameraRequest {
  std::string method;  // "GET", "POST"
  std::string path;    // as received, leading slashes included
  std::string query;   // raw text after "?"
  std::optional<UploadedPart> part;
};

struct CameraResponse {
  int status = 200;
  std::string body;
  std::string contentType = "text/plain";
};

// Splits a raw query at "&" into key/value pairs (an item without "=" has an empty value)
// and decodes %XX escapes.
std::vector<std::pair<std::string, std::string>> ParseQuery(const std::string& query);

class SimulatedCamera {
 public:
  // Builds the camera from a completed description; fails when a start value in its
  // "parameters" does not fit the catalogue.
  static std::unique_ptr<SimulatedCamera> Create(const CameraConfig& config,
                                                 std::shared_ptr<const ParameterCatalogue> catalogue,
                                                 std::string& error);

  CameraResponse Handle(const CameraRequest& request);

  CameraConfig Config() const;
  FaultSettings Faults() const;
  void SetFaults(const FaultSettings& faults);
  TxtRecord Txt() const;
  void SetTxt(const TxtRecord& txt);
  // Called (outside the camera's lock) after the camera changed its own TXT record, as
  // after a firmware installation.
  void SetTxtListener(std::function<void()> listener);
  // Called (outside the camera's lock, on a connection thread) when a Commit gave the
  // camera a new static address: the address and the committed prefix.
  void SetAddressListener(std::function<void(const std::string& address, int prefix)> listener);

  bool SetParameter(const std::string& fullName, const std::string& value, std::string& error);
  std::optional<std::string> GetParameter(const std::string& fullName) const;
  std::optional<std::string> GetStagedParameter(const std::string& fullName) const;
  std::size_t SessionCount() const;

 private:
  SimulatedCamera(const CameraConfig& config, std::shared_ptr<const ParameterCatalogue> catalogue);

  CameraResponse Auth(const std::vector<std::pair<std::string, std::string>>& query);
  CameraResponse Params(const std::vector<std::pair<std::string, std::string>>& query);
  CameraResponse Firmware(const std::string& operation, const CameraRequest& request, bool& txtChanged);
  bool HasSession(const std::vector<std::pair<std::string, std::string>>& query) const;
  void InstallVersion(const std::string& version);

  mutable std::mutex mutex_;
  CameraConfig config_;
  CameraParameters parameters_;
  SessionTable sessions_;
  FirmwareUpdate firmware_;
  std::function<void()> txtListener_;
  std::function<void(const std::string&, int)> addressListener_;
};

}  // namespace camsim
