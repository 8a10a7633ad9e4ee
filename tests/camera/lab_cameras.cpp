#include "lab_cameras.h"

#include <net/if.h>

#include <cstdlib>
#include <gtest/gtest.h>

namespace finder_lab {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

const char* const kCameras = R"({"cameras": [
  {"name": "Open Camera", "host": "open-cam", "address": "192.168.77.10", "serial": "ZV0010"},
  {"name": "Login Camera", "host": "login-cam", "address": "192.168.77.11", "serial": "ZV0011",
   "login": {"username": "admin", "password": "zorvik"}},
  {"name": "Settings Camera", "host": "settings-cam", "address": "192.168.77.12", "serial": "ZV0012"},
  {"name": "Refusing Camera", "host": "refusing-cam", "address": "192.168.77.13", "serial": "ZV0013",
   "faults": {"refuse": true}},
  {"name": "Special Camera", "host": "special-cam", "address": "192.168.77.14", "serial": "ZV0014",
   "login": {"username": "ad min@x:y", "password": "p@ss:w/o%rd #?&=+"}}
]})";

// Started once for the whole executable; stopped when the program ends.
class SimulatorEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!InsideLab()) return;
    CamsimProcess::Options options;
    options.camerasJson = kCameras;
    options.mdns = false;
    sim_ = std::make_unique<CamsimProcess>(options);
    std::string error;
    if (!sim_->Start(&error)) {
      ADD_FAILURE() << "simulator: " << error;
      sim_.reset();
    }
  }
  void TearDown() override { sim_.reset(); }
  CamsimProcess* Get() const { return sim_.get(); }

 private:
  std::unique_ptr<CamsimProcess> sim_;
};

SimulatorEnvironment* const kEnvironment =
    static_cast<SimulatorEnvironment*>(::testing::AddGlobalTestEnvironment(new SimulatorEnvironment));

}  // namespace

bool InsideLab() { return !Env("NETLAB_ID").empty(); }

CamsimProcess* Simulator() { return kEnvironment->Get(); }

CBrowseRecord RecordFor(const std::string& address, const std::string& serial) {
  CBrowseRecord record;
  record.InterfaceIndex = if_nametoindex(Env("NETLAB_PC0_IF").c_str());
  record.ServiceName = "Camera at " + address;
  record.ServiceType = "_http._tcp.";
  record.SetDomain("local.");
  record.SetHostTarget(("cam-" + address + ".local.").c_str());
  record.Port = 80;
  record.AddTxtValue(txtkey::kVendor, "Zorvik");
  record.AddTxtValue(txtkey::kIpv4Net, address.c_str());
  if (!serial.empty()) record.AddTxtValue(txtkey::kSerial, serial.c_str());
  return record;
}

std::vector<nlohmann::json> RequestsOf(const std::string& address) {
  std::vector<nlohmann::json> out;
  if (Simulator() == nullptr) return out;
  for (const nlohmann::json& entry : Simulator()->RequestLog())
    if (entry.value("address", "") == address) out.push_back(entry);
  return out;
}

std::vector<Request> Summarise(const std::vector<nlohmann::json>& requests) {
  std::vector<Request> out;
  for (const nlohmann::json& entry : requests) {
    const std::string path = entry.value("path", "");
    const std::string cgi = path.find("auth_if.cgi") != std::string::npos    ? "auth_if"
                            : path.find("param_if.cgi") != std::string::npos ? "param_if"
                                                                             : path;
    out.push_back({cgi, entry.value("query", "")});
  }
  return out;
}

}  // namespace finder_lab
