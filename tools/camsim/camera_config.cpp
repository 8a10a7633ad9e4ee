#include "tools/camsim/camera_config.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace camsim {

namespace {

using nlohmann::json;

struct ConfigError {
  std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) { throw ConfigError{where + ": " + what}; }

std::string TextField(const json& node, const char* key, const std::string& where) {
  if (!node.contains(key)) return {};
  if (!node[key].is_string()) Fail(where, std::string("\"") + key + "\" is not a text");
  return node[key].get<std::string>();
}

int IntField(const json& node, const char* key, int fallback, int min, int max, const std::string& where) {
  if (!node.contains(key)) return fallback;
  if (!node[key].is_number_integer()) Fail(where, std::string("\"") + key + "\" is not an integer");
  const int64_t v = node[key].get<int64_t>();
  if (v < min || v > max) {
    Fail(where, std::string("\"") + key + "\" is outside " + std::to_string(min) + " to " + std::to_string(max));
  }
  return static_cast<int>(v);
}

bool BoolField(const json& node, const char* key, const std::string& where) {
  if (!node.contains(key)) return false;
  if (!node[key].is_boolean()) Fail(where, std::string("\"") + key + "\" is not true or false");
  return node[key].get<bool>();
}

bool IsIpv4(const std::string& text) {
  unsigned a, b, c, d;
  char tail;
  return std::sscanf(text.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &tail) == 4 && a < 256 && b < 256 &&
         c < 256 && d < 256;
}

void CheckKeys(const json& node, const std::vector<std::string>& allowed, const std::string& where) {
  for (const auto& item : node.items()) {
    bool known = false;
    for (const std::string& key : allowed) known = known || key == item.key();
    if (!known) Fail(where, "unknown field \"" + item.key() + "\"");
  }
}

FaultSettings FaultsFrom(const json& node, const std::string& where) {
  if (!node.is_object()) Fail(where, "is not a JSON object");
  CheckKeys(node,
            {"delay_ms", "no_answer", "refuse", "http_status", "exception", "malformed", "oversize",
             "firmware_refused", "endless_status", "drop_upload", "path_filter"},
            where);
  FaultSettings f;
  f.delayMs = IntField(node, "delay_ms", 0, 0, 600000, where);
  f.noAnswer = BoolField(node, "no_answer", where);
  f.refuse = BoolField(node, "refuse", where);
  f.httpStatus = IntField(node, "http_status", 0, 0, 599, where);
  if (f.httpStatus != 0 && f.httpStatus < 100) Fail(where, "\"http_status\" is not an HTTP status");
  f.exception = BoolField(node, "exception", where);
  f.malformed = BoolField(node, "malformed", where);
  f.oversize = BoolField(node, "oversize", where);
  f.firmwareRefused = BoolField(node, "firmware_refused", where);
  f.endlessStatus = BoolField(node, "endless_status", where);
  f.dropUpload = BoolField(node, "drop_upload", where);
  f.pathFilter = TextField(node, "path_filter", where);
  return f;
}

std::vector<std::pair<std::string, std::optional<std::string>>> TxtFrom(const json& node, const std::string& where) {
  if (!node.is_object()) Fail(where, "is not a JSON object of keys and texts");
  std::vector<std::pair<std::string, std::optional<std::string>>> entries;
  for (const auto& item : node.items()) {
    if (item.key().empty() || item.key().find('=') != std::string::npos) {
      Fail(where, "key \"" + item.key() + "\" is empty or holds \"=\"");
    }
    if (item.value().is_null()) {
      entries.emplace_back(item.key(), std::nullopt);
    } else if (item.value().is_string()) {
      entries.emplace_back(item.key(), item.value().get<std::string>());
    } else {
      Fail(where, "value of \"" + item.key() + "\" is not a text or null");
    }
    if (item.key().size() + (entries.back().second ? entries.back().second->size() : 0) > 250) {
      Fail(where, "entry \"" + item.key() + "\" is longer than a TXT entry may be");
    }
  }
  return entries;
}

CameraConfig CameraFrom(const json& node, bool isCamera, const std::string& where) {
  if (!node.is_object()) Fail(where, "is not a JSON object");
  CheckKeys(node,
            {"name", "host", "address", "port", "prefix", "model", "serial", "fwversion", "modelid", "mac",
             "ipv4_net", "ipv4_zc", "path", "txt", "login", "parameters", "faults", "firmware", "kind"},
            where);
  CameraConfig c;
  c.isCamera = isCamera;
  const std::string kind = TextField(node, "kind", where);
  if (kind == "service") {
    c.isCamera = false;
  } else if (kind == "camera") {
    c.isCamera = true;
  } else if (!kind.empty()) {
    Fail(where, "kind \"" + kind + "\" is not camera or service");
  }
  c.name = TextField(node, "name", where);
  c.host = TextField(node, "host", where);
  if (c.host.find_first_of(" ./") != std::string::npos) Fail(where, "host \"" + c.host + "\" holds a blank, dot or slash");
  c.address = TextField(node, "address", where);
  if (!c.address.empty() && !IsIpv4(c.address)) Fail(where, "address \"" + c.address + "\" is not an IPv4 address");
  c.port = static_cast<uint16_t>(IntField(node, "port", 0, 0, 65535, where));
  c.prefix = IntField(node, "prefix", 0, 0, 32, where);
  c.model = TextField(node, "model", where);
  c.serial = TextField(node, "serial", where);
  c.fwversion = TextField(node, "fwversion", where);
  c.modelid = TextField(node, "modelid", where);
  c.mac = TextField(node, "mac", where);
  c.ipv4Net = TextField(node, "ipv4_net", where);
  c.ipv4Zc = TextField(node, "ipv4_zc", where);
  c.path = TextField(node, "path", where);
  if (node.contains("txt")) c.txtOverrides = TxtFrom(node["txt"], where + ", txt");
  if (node.contains("login")) {
    const json& login = node["login"];
    if (!login.is_object()) Fail(where, "\"login\" is not a JSON object");
    c.login = Credentials{TextField(login, "username", where + ", login"), TextField(login, "password", where + ", login")};
    if (c.login->username.empty()) Fail(where, "login has no \"username\"");
  }
  if (node.contains("parameters")) {
    if (!node["parameters"].is_object()) Fail(where, "\"parameters\" is not a JSON object");
    for (const auto& item : node["parameters"].items()) {
      const json& v = item.value();
      if (v.is_string()) {
        c.parameters[item.key()] = v.get<std::string>();
      } else if (v.is_number_integer()) {
        // As written: a number beyond the signed range must not wrap into another value.
        c.parameters[item.key()] = v.dump();
      } else {
        Fail(where, "parameter \"" + item.key() + "\" has no text or integer value");
      }
    }
  }
  if (node.contains("faults")) c.faults = FaultsFrom(node["faults"], where + ", faults");
  if (node.contains("firmware")) {
    const json& fw = node["firmware"];
    if (!fw.is_object()) Fail(where, "\"firmware\" is not a JSON object");
    c.firmware.statusPages = IntField(fw, "status_pages", 2, 0, 1000, where + ", firmware");
    c.firmware.refreshSeconds = IntField(fw, "refresh_seconds", 1, 0, 60, where + ", firmware");
  }
  return c;
}

std::string EntryName(const char* list, std::size_t i, const json& node) {
  std::string where = std::string(list) + " " + std::to_string(i);
  if (node.is_object() && node.contains("name") && node["name"].is_string()) {
    where += " (\"" + node["name"].get<std::string>() + "\")";
  }
  return where;
}

void AddEntries(const json& root, const char* key, bool isCamera, SimulationConfig& config) {
  if (!root.contains(key)) return;
  if (!root[key].is_array()) Fail(std::string("\"") + key + "\"", "is not a list");
  const std::string singular = isCamera ? "camera" : "service";
  for (std::size_t i = 0; i < root[key].size(); ++i) {
    config.cameras.push_back(CameraFrom(root[key][i], isCamera, EntryName(singular.c_str(), i, root[key][i])));
  }
}

std::string Hex2(int value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02x", value & 0xff);
  return text;
}

void SetIfEmpty(std::map<std::string, std::string>& map, const std::string& key, const std::string& value) {
  if (map.count(key) == 0 && !value.empty()) map[key] = value;
}

}  // namespace

bool FaultSettings::AppliesTo(const std::string& path) const {
  return pathFilter.empty() || path.find(pathFilter) != std::string::npos;
}

std::optional<SimulationConfig> ParseSimulationConfig(const std::string& jsonText, std::string& error) {
  const json root = json::parse(jsonText, nullptr, false);
  if (root.is_discarded()) {
    error = "cameras: not valid JSON";
    return std::nullopt;
  }
  try {
    if (!root.is_object()) Fail("cameras", "the description is not a JSON object");
    CheckKeys(root, {"cameras", "services"}, "cameras");
    SimulationConfig config;
    AddEntries(root, "cameras", true, config);
    AddEntries(root, "services", false, config);
    return config;
  } catch (const ConfigError& e) {
    error = e.message;
    return std::nullopt;
  }
}

std::optional<SimulationConfig> LoadSimulationConfig(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read camera file " + path;
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  auto config = ParseSimulationConfig(text.str(), error);
  if (!config) error = path + ": " + error;
  return config;
}

std::optional<CameraConfig> ParseCameraConfig(const json& node, bool isCamera, std::string& error) {
  try {
    return CameraFrom(node, isCamera, EntryName(isCamera ? "camera" : "service", 0, node));
  } catch (const ConfigError& e) {
    error = e.message;
    return std::nullopt;
  }
}

std::optional<FaultSettings> ParseFaultSettings(const json& node, std::string& error) {
  try {
    return FaultsFrom(node, "faults");
  } catch (const ConfigError& e) {
    error = e.message;
    return std::nullopt;
  }
}

std::optional<TxtRecord> ParseTxtRecord(const json& node, std::string& error) {
  try {
    TxtRecord txt;
    for (auto& [key, value] : TxtFrom(node, "txt")) {
      if (value) txt.emplace_back(key, *value);
    }
    return txt;
  } catch (const ConfigError& e) {
    error = e.message;
    return std::nullopt;
  }
}

json FaultSettingsToJson(const FaultSettings& f) {
  return json{{"delay_ms", f.delayMs},          {"no_answer", f.noAnswer},
              {"refuse", f.refuse},             {"http_status", f.httpStatus},
              {"exception", f.exception},       {"malformed", f.malformed},
              {"oversize", f.oversize},         {"firmware_refused", f.firmwareRefused},
              {"endless_status", f.endlessStatus}, {"drop_upload", f.dropUpload},
              {"path_filter", f.pathFilter}};
}

std::optional<SimulationConfig> MakeProfile(const std::string& profile, int count, std::string& error) {
  if (profile != "plain" && profile != "mixed") {
    error = "unknown profile \"" + profile + "\" (plain or mixed)";
    return std::nullopt;
  }
  if (count < 0 || count > 500) {
    error = "camera count " + std::to_string(count) + " is outside 0 to 500";
    return std::nullopt;
  }
  const bool mixed = profile == "mixed";
  SimulationConfig config;
  for (int i = 1; i <= count; ++i) {
    CameraConfig c;
    const bool dome = mixed && i % 4 == 0;
    char serial[16];
    std::snprintf(serial, sizeof serial, "ZV%06d", i);
    c.model = dome ? "Ravix-D210" : "Ravix-B120";
    c.modelid = dome ? "D210-2MP" : "B120-4MP";
    c.serial = serial;
    c.fwversion = "3.2.1";
    if (!(mixed && i % 3 == 0)) c.mac = "00-1e-c0-" + Hex2(i >> 16) + "-" + Hex2(i >> 8) + "-" + Hex2(i);
    if (mixed && i % 5 == 0) c.login = Credentials{"admin", "zorvik"};
    c.path = "/index.html";
    config.cameras.push_back(std::move(c));
  }
  if (mixed) {
    CameraConfig printer;
    printer.isCamera = false;
    printer.name = "Office Printer";
    printer.host = "office-printer";
    printer.txtOverrides = {{"txtvers", "1"}, {"product", "(LaserPrint 4000)"}, {"path", "/"}};
    config.cameras.push_back(printer);
    CameraConfig nas = printer;
    nas.name = "Storage NAS";
    nas.host = "storage-nas";
    nas.txtOverrides = {{"path", "/admin/"}, {"model", "NAS-2"}};
    config.cameras.push_back(nas);
  }
  return config;
}

void CompleteCamera(CameraConfig& c, int index) {
  if (c.host.empty()) c.host = !c.serial.empty() ? "ravix-" + c.serial : "device-" + std::to_string(index);
  for (char& ch : c.host) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (c.name.empty()) c.name = !c.model.empty() ? c.model + " " + c.serial : c.host;
  if (c.prefix == 0) c.prefix = 24;
  const bool linkLocal = c.address.rfind("169.254.", 0) == 0;
  c.txt.clear();
  if (c.isCamera) {
    if (c.ipv4Net.empty() && !linkLocal) c.ipv4Net = c.address;
    if (c.ipv4Zc.empty() && linkLocal) c.ipv4Zc = c.address;
    const std::pair<const char*, std::string> fields[] = {
        {"vendor.zorvnet", "Zorvik"},  {"model.zorvnet", c.model},     {"fwversion.zorvnet", c.fwversion},
        {"modelid.zorvnet", c.modelid}, {"serial.zorvnet", c.serial},  {"macaddress.zorvnet", c.mac},
        {"ipv4-net.zorvnet", c.ipv4Net}, {"ipv4-zc.zorvnet", c.ipv4Zc}, {"path", c.path}};
    for (const auto& [key, value] : fields) {
      if (!value.empty()) c.txt.emplace_back(key, value);
    }
  }
  for (const auto& [key, value] : c.txtOverrides) {
    auto it = c.txt.begin();
    while (it != c.txt.end() && it->first != key) ++it;
    if (it != c.txt.end()) c.txt.erase(it);
    if (value) c.txt.emplace_back(key, *value);
  }
}

std::map<std::string, std::string> DerivedParameters(const CameraConfig& c) {
  std::map<std::string, std::string> p;
  SetIfEmpty(p, "Network.HostName", c.host);
  SetIfEmpty(p, "Network.IPAddress", !c.ipv4Net.empty() ? c.ipv4Net : c.address);
  SetIfEmpty(p, "Network.NetPrefix", std::to_string(c.prefix));
  SetIfEmpty(p, "Network.HTTPPort", std::to_string(c.port));
  SetIfEmpty(p, "Device.Model", c.model);
  SetIfEmpty(p, "Device.SerialNumber", c.serial);
  SetIfEmpty(p, "Device.FirmwareVersion", c.fwversion);
  SetIfEmpty(p, "Device.MacAddress", c.mac);
  return p;
}

}  // namespace camsim
