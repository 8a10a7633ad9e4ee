// The catalogue compiled into the simulator: what a camera of this maker offers on its
// parameter interface. `ravix-camsim --print-catalogue` prints it as a template.
#include "tools/camsim/parameter_catalogue.h"

namespace camsim {

const char* ParameterCatalogue::DefaultJson() {
  return R"json({
  "groups": [
    {
      "name": "Global",
      "parameters": [
        {"name": "OperationMode", "type": "enumeration", "access": "readonly", "value": 1,
         "entries": [{"text": "Normal", "value": 1}, {"text": "Service", "value": 2}]}
      ]
    },
    {
      "name": "Device",
      "parameters": [
        {"name": "Model", "type": "string", "access": "readonly", "maxLength": 31, "value": "Ravix-B100"},
        {"name": "SerialNumber", "type": "string", "access": "readonly", "maxLength": 31, "value": ""},
        {"name": "FirmwareVersion", "type": "string", "access": "readonly", "maxLength": 31, "value": ""},
        {"name": "MacAddress", "type": "string", "access": "readonly", "maxLength": 17, "value": ""},
        {"name": "Location", "type": "string", "access": "readwrite", "maxLength": 63, "value": ""},
        {"name": "Reboot", "type": "command", "access": "readwrite"}
      ]
    },
    {
      "name": "Network",
      "parameters": [
        {"name": "HostName", "type": "string", "maxLength": 63, "staged": true, "value": "ravix-camera"},
        {"name": "DHCP", "type": "integer", "min": 0, "max": 1, "inc": 1, "staged": true, "value": 0},
        {"name": "IPAddress", "type": "string", "maxLength": 15, "staged": true, "value": "192.168.0.90"},
        {"name": "NetPrefix", "type": "integer", "min": 0, "max": 32, "inc": 1, "staged": true, "value": 24},
        {"name": "Gateway", "type": "string", "maxLength": 15, "staged": true, "value": ""},
        {"name": "NameServer", "type": "string", "maxLength": 15, "staged": true, "value": ""},
        {"name": "HTTPPort", "type": "integer", "min": 1, "max": 65535, "inc": 1, "staged": true, "value": 80},
        {"name": "Commit", "type": "command", "effect": "commit"},
        {"name": "Revert", "type": "command", "effect": "revert"}
      ]
    },
    {
      "name": "Image",
      "parameters": [
        {"name": "Brightness", "type": "integer", "min": 0, "max": 100, "inc": 5, "value": 50},
        {"name": "Gain", "type": "integer", "min": -12, "max": 48, "inc": 1, "value": 0},
        {"name": "ExposureMode", "type": "enumeration", "value": 0,
         "entries": [{"text": "Auto", "value": 0}, {"text": "Manual", "value": 1}, {"text": "Shutter", "value": 2}]},
        {"name": "Mirror", "type": "enumeration", "value": 0,
         "entries": [{"text": "Off", "value": 0}, {"text": "On", "value": 1}]},
        {"name": "WhiteBalanceKelvin", "type": "integer", "min": 2500, "max": 10000, "inc": 100,
         "enabled": false, "value": 5600},
        {"name": "Overlay", "type": "string", "maxLength": 32, "value": ""}
      ]
    }
  ]
}
)json";
}

const ParameterCatalogue& ParameterCatalogue::Default() {
  static const ParameterCatalogue catalogue = [] {
    std::string error;
    return *Parse(DefaultJson(), error);
  }();
  return catalogue;
}

}  // namespace camsim
