#pragma once
// RecordedFinder: the real discovery engine holding records the test puts in, as
// discovery would have left them (no DNS-SD, no camera traffic). CameraRecord builds one.

#include <boost/thread/recursive_mutex.hpp>

#include <cstdint>
#include <string>
#include <utility>

#include "finder/finder_core.h"
#include "finder/finder_mdns.h"
#include "records/browse_record.h"

struct TestCamera {
  uint32_t id = 0;
  std::string name{};
  uint32_t port = 80;
  std::string path = "/index.html";  // empty: no "path" key
  std::string netAddress{};          // "ipv4-net.zorvnet"; empty: key missing
  std::string zcAddress{};           // "ipv4-zc.zorvnet"; empty: key missing
  bool reachable = true;
  bool vendor = true;
  uint32_t interfaceIndex = 999999;  // no adapter of this machine has it
};

inline CBrowseRecord CameraRecord(const TestCamera& camera) {
  CBrowseRecord record;
  record.ID = camera.id;
  record.ServiceName = camera.name;
  record.ServiceType = "_http._tcp.";
  record.Domain = "local.";
  record.HostTarget = camera.name + ".local.";
  record.Port = camera.port;
  record.InterfaceIndex = camera.interfaceIndex;
  record.NetworkSettingsValid = camera.reachable;
  if (camera.vendor) record.AddTxtValue(txtkey::kVendor, "1");
  if (!camera.path.empty()) record.AddTxtValue(txtkey::kPath, camera.path.c_str());
  if (!camera.netAddress.empty()) record.AddTxtValue(txtkey::kIpv4Net, camera.netAddress.c_str());
  if (!camera.zcAddress.empty()) record.AddTxtValue(txtkey::kIpv4Zc, camera.zcAddress.c_str());
  return record;
}

class RecordedFinder : public CFindermDNS {
 public:
  explicit RecordedFinder(CFinderCore& core) : CFindermDNS(core.CameraContext()) {}

  void Put(const TestCamera& camera) { PutRecord(CameraRecord(camera)); }
  void PutRecord(const CBrowseRecord& record) {
    boost::recursive_mutex::scoped_lock lock(RecordLock);
    Records.push_back(record);
    PublishRecord(Records.back());
  }
};
