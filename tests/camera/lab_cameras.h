#pragma once
// Shared by the camera lab tests: one simulator in the lab's first camera namespace with
// a fixed set of cameras (HTTP only), records that address them over link 0 the way
// discovery would fill them, and the simulator's request log per camera.

#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

#include "records/browse_record.h"
#include "tests/support/camsim_process.h"

namespace finder_lab {

inline constexpr const char* kLoginUser = "admin";
inline constexpr const char* kLoginPassword = "zorvik";

// The cameras, all on 192.168.77.0/24 (the lab's default first link).
inline constexpr const char* kOpenCamera = "192.168.77.10";          // no login
inline constexpr const char* kLoginCamera = "192.168.77.11";         // admin/zorvik
inline constexpr const char* kSettingsCamera = "192.168.77.12";      // no login, IP settings writes
inline constexpr const char* kRefusingCamera = "192.168.77.13";      // connections refused
inline constexpr const char* kSpecialCamera = "192.168.77.14";       // kSpecialUser/kSpecialPassword
inline constexpr const char* kSpecialUser = "ad min@x:y";
inline constexpr const char* kSpecialPassword = "p@ss:w/o%rd #?&=+";

// The running simulator; null (with the test skipped) outside the lab.
CamsimProcess* Simulator();
bool InsideLab();

// A record as discovery fills it for a camera at address on link 0; serial empty: the
// camera advertises none.
CBrowseRecord RecordFor(const std::string& address, const std::string& serial);

// Requests the simulator logged for one camera address, oldest first.
std::vector<nlohmann::json> RequestsOf(const std::string& address);

// "auth_if" or "param_if" (the CGI the request went to) plus its raw query.
struct Request {
  std::string cgi;
  std::string query;
};
std::vector<Request> Summarise(const std::vector<nlohmann::json>& requests);

}  // namespace finder_lab
