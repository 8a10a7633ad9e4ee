#include "tools/camsim/simulated_camera.h"

#include <charconv>

namespace camsim {

namespace {

using Query = std::vector<std::pair<std::string, std::string>>;

constexpr std::size_t kOversizeBody = 6000;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Decode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

const std::string* Find(const Query& query, const std::string& key) {
  for (const auto& [k, v] : query) {
    if (k == key) return &v;
  }
  return nullptr;
}

CameraResponse Html(int status, const std::string& text) {
  return {status, "<html><head><title>Camera</title></head><body><p>" + text + "</p></body></html>\n", "text/html"};
}

const char* StatusText(int status) {
  switch (status) {
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 409: return "Conflict";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Camera answer";
  }
}

std::string StripSlashes(const std::string& path) {
  const std::size_t first = path.find_first_not_of('/');
  return first == std::string::npos ? std::string() : path.substr(first);
}

void Pad(CameraResponse& response) {
  std::string filler = "\n<!-- ";
  while (response.body.size() + filler.size() < kOversizeBody) filler += "padding-padding-padding-padding ";
  response.body += filler + "-->\n";
}

}  // namespace

Query ParseQuery(const std::string& query) {
  Query items;
  std::size_t start = 0;
  while (start <= query.size()) {
    std::size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    const std::string item = query.substr(start, end - start);
    if (!item.empty()) {
      const std::size_t eq = item.find('=');
      if (eq == std::string::npos) {
        items.emplace_back(Decode(item), std::string());
      } else {
        items.emplace_back(Decode(item.substr(0, eq)), Decode(item.substr(eq + 1)));
      }
    }
    start = end + 1;
  }
  return items;
}

SimulatedCamera::SimulatedCamera(const CameraConfig& config, std::shared_ptr<const ParameterCatalogue> catalogue)
    : config_(config), parameters_(std::move(catalogue)) {}

std::unique_ptr<SimulatedCamera> SimulatedCamera::Create(const CameraConfig& config,
                                                         std::shared_ptr<const ParameterCatalogue> catalogue,
                                                         std::string& error) {
  std::unique_ptr<SimulatedCamera> camera(new SimulatedCamera(config, std::move(catalogue)));
  // Derived values apply where the catalogue has the parameter; the description's own
  // values must fit.
  for (const auto& [name, value] : DerivedParameters(config)) {
    std::string ignored;
    if (config.parameters.count(name) == 0) camera->parameters_.Assign(name, value, ignored);
  }
  for (const auto& [name, value] : config.parameters) {
    if (!camera->parameters_.Assign(name, value, error)) {
      error = "camera \"" + config.name + "\": " + error;
      return nullptr;
    }
  }
  return camera;
}

CameraResponse SimulatedCamera::Handle(const CameraRequest& request) {
  bool txtChanged = false;
  CameraResponse response;
  std::function<void()> listener;
  std::function<void()> moved;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const FaultSettings& faults = config_.faults;
    const bool faulty = faults.AppliesTo(request.path);
    const std::string path = StripSlashes(request.path);
    const Query query = ParseQuery(request.query);
    const std::string firmwarePrefix = "cgi-bin/firmware.cgi/";
    if (faulty && faults.httpStatus != 0) {
      response = Html(faults.httpStatus, StatusText(faults.httpStatus));
    } else if (path.empty() || path == "index.html") {
      response = Html(200, "Zorvik network camera " + config_.name);
    } else if (path == "cgi-bin/auth_if.cgi") {
      response = Auth(query);
    } else if (path == "cgi-bin/param_if.cgi") {
      const auto before = parameters_.Value("Network.IPAddress");
      response = HasSession(query) ? Params(query) : Html(401, StatusText(401));
      const auto after = parameters_.Value("Network.IPAddress");
      if (after && after != before && parameters_.Value("Network.DHCP").value_or("0") == "0" && addressListener_) {
        int prefix = 0;
        const std::string prefixText = parameters_.Value("Network.NetPrefix").value_or("");
        std::from_chars(prefixText.data(), prefixText.data() + prefixText.size(), prefix);
        moved = [l = addressListener_, address = *after, prefix] { l(address, prefix); };
      }
    } else if (path.compare(0, firmwarePrefix.size(), firmwarePrefix) == 0) {
      response = HasSession(query) ? Firmware(path.substr(firmwarePrefix.size()), request, txtChanged)
                                   : Html(401, StatusText(401));
    } else {
      response = Html(404, StatusText(404));
    }
    if (faulty && faults.oversize) Pad(response);
    if (txtChanged) listener = txtListener_;
  }
  if (listener) listener();
  if (moved) moved();
  return response;
}

bool SimulatedCamera::HasSession(const Query& query) const {
  if (!config_.login) return true;
  const std::string* id = Find(query, "session_id");
  return id != nullptr && sessions_.IsValid(*id);
}

CameraResponse SimulatedCamera::Auth(const Query& query) {
  if (query.empty()) return Html(400, StatusText(400));
  const bool malformed = config_.faults.malformed;
  if (query.front().first == "Logout") {
    const std::string* id = Find(query, "session_id");
    if (id != nullptr) sessions_.Remove(*id);
    return {200, "Logout successful\n", "text/plain"};
  }
  if (query.front().first != "Login") return Html(400, StatusText(400));
  const std::string* user = Find(query, "username");
  const std::string* password = Find(query, "password");
  if (config_.login && (user == nullptr || password == nullptr || *user != config_.login->username ||
                        *password != config_.login->password)) {
    return Html(401, "Login failed");
  }
  if (malformed) return {200, "Login successful\n", "text/plain"};
  return {200, "Login successful\nsession_id: '" + sessions_.Create() + "'\n", "text/plain"};
}

CameraResponse SimulatedCamera::Params(const Query& query) {
  const std::string* numText = Find(query, "NumActions");
  int count = -1;
  if (numText != nullptr) {
    const char* end = numText->data() + numText->size();
    const auto [ptr, ec] = std::from_chars(numText->data(), end, count);
    if (ec != std::errc() || ptr != end) count = -1;
  }
  if (count < 0 || count > 1000) return Html(400, "NumActions missing or out of range");
  if (config_.faults.malformed) return Html(200, "Parameter interface error");
  std::string body;
  for (int i = 0; i < count; ++i) {
    const std::string index = std::to_string(i);
    const std::string* action = Find(query, "Action_" + index);
    const std::string* argument = Find(query, "Parameter_" + index + "_0");
    ActionOutcome outcome;
    if (config_.faults.exception) {
      outcome = {false, "Camera is busy"};
    } else if (action == nullptr) {
      outcome = {false, "Missing Action_" + index};
    } else {
      outcome = parameters_.Run(*action, argument ? std::optional<std::string>(*argument) : std::nullopt);
    }
    body += (outcome.ok ? "Return_" : "Exception_") + index + "=" + outcome.text + "\n";
  }
  return {200, body, "text/plain"};
}

CameraResponse SimulatedCamera::Firmware(const std::string& operation, const CameraRequest& request,
                                         bool& txtChanged) {
  FirmwarePage page;
  if (operation == "upload") {
    page = firmware_.Upload();
  } else if (operation == "verify") {
    page = firmware_.Verify(request.part ? &*request.part : nullptr, config_.faults.firmwareRefused);
  } else if (operation == "finish") {
    page = firmware_.Finish(config_.firmware);
  } else if (operation == "status") {
    page = firmware_.Status(config_.firmware, config_.faults.endlessStatus);
  } else if (operation == "check") {
    std::string version;
    page = firmware_.Check(version);
    if (!version.empty()) {
      InstallVersion(version);
      txtChanged = true;
    }
  } else if (operation == "reset") {
    page = firmware_.Reset();
  } else {
    return Html(404, StatusText(404));
  }
  return {page.status, page.body, "text/html"};
}

void SimulatedCamera::InstallVersion(const std::string& version) {
  config_.fwversion = version;
  std::string ignored;
  parameters_.Assign("Device.FirmwareVersion", version, ignored);
  for (auto& [key, value] : config_.txt) {
    if (key == "fwversion.zorvnet") value = version;
  }
}

CameraConfig SimulatedCamera::Config() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return config_;
}

FaultSettings SimulatedCamera::Faults() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return config_.faults;
}

void SimulatedCamera::SetFaults(const FaultSettings& faults) {
  std::lock_guard<std::mutex> lock(mutex_);
  config_.faults = faults;
}

TxtRecord SimulatedCamera::Txt() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return config_.txt;
}

void SimulatedCamera::SetTxt(const TxtRecord& txt) {
  std::lock_guard<std::mutex> lock(mutex_);
  config_.txt = txt;
}

void SimulatedCamera::SetTxtListener(std::function<void()> listener) {
  std::lock_guard<std::mutex> lock(mutex_);
  txtListener_ = std::move(listener);
}

void SimulatedCamera::SetAddressListener(std::function<void(const std::string& address, int prefix)> listener) {
  std::lock_guard<std::mutex> lock(mutex_);
  addressListener_ = std::move(listener);
}

bool SimulatedCamera::SetParameter(const std::string& fullName, const std::string& value, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  return parameters_.Assign(fullName, value, error);
}

std::optional<std::string> SimulatedCamera::GetParameter(const std::string& fullName) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return parameters_.Value(fullName);
}

std::optional<std::string> SimulatedCamera::GetStagedParameter(const std::string& fullName) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return parameters_.StagedValue(fullName);
}

std::size_t SimulatedCamera::SessionCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sessions_.Count();
}

}  // namespace camsim
