#pragma once
// The simulated cameras of the UrlForge lab tests (tools/netlab with
// --link 192.0.2.1/24=192.0.2.10/24x2): "open" at 192.0.2.10 on port 80 without login,
// "locked" at 192.0.2.11 on port 8080 with the login admin/zorvik.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/support/camsim_process.h"

namespace urlforge_test {

inline const std::string kOpenCamera = "192.0.2.10";
inline const std::string kLockedCamera = "192.0.2.11";
constexpr int kLockedPort = 8080;

class LabCameras : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("NETLAB_ID") == nullptr) GTEST_SKIP() << "not inside tools/netlab";
    CamsimProcess::Options options;
    options.mdns = false;
    options.camerasJson = R"({"cameras": [
      {"name": "Open", "host": "open-cam", "address": "192.0.2.10", "port": 80, "model": "Ravix-B120",
       "parameters": {"Device.Location": "Lobby"}},
      {"name": "Locked", "host": "locked-cam", "address": "192.0.2.11", "port": 8080,
       "login": {"username": "admin", "password": "zorvik"}}]})";
    sim_ = std::make_unique<CamsimProcess>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
  }

  // The queries the open camera's parameter interface received since the last call.
  std::vector<std::string> TakeParamQueries() {
    std::vector<std::string> queries;
    for (const auto& entry : sim_->RequestLog()) {
      if (entry["path"] == "/cgi-bin/param_if.cgi") queries.push_back(entry["query"]);
    }
    sim_->ClearRequestLog();
    return queries;
  }

  std::unique_ptr<CamsimProcess> sim_;
};

}  // namespace urlforge_test
