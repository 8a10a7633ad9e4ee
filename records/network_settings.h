#pragma once
// A camera's own network configuration, as read from or written to the camera.

#include <cstdint>
#include <string>

struct NetworkSettings {
  std::string HostName;
  bool DHCP = false;
  std::string IPAddress;
  int32_t NetPrefix = 0;
  std::string NameServer;
  std::string Gateway;
  int32_t HTTPPort = 0;

  bool operator==(const NetworkSettings&) const = default;
};
