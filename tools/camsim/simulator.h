#pragma once
// The simulator: the set of simulated cameras and other services of one process, their
// HTTP servers, their mDNS announcements and the request log, and the control commands
// that change them at run time (see ControlChannel for the line protocol).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/camsim/camera_config.h"
#include "tools/camsim/camera_http_server.h"
#include "tools/camsim/mdns_publisher.h"
#include "tools/camsim/parameter_catalogue.h"
#include "tools/camsim/request_log.h"
#include "tools/camsim/simulated_camera.h"

namespace camsim {

struct SimulatorOptions {
  std::shared_ptr<const ParameterCatalogue> catalogue;
  uint16_t defaultPort = 80;
  bool mdns = true;
  // Addresses handed to devices without one, in order; empty: this namespace's IPv4
  // addresses on interfaces other than loopback.
  std::vector<std::string> addressPool;
  std::string logPath;  // empty: no request log
  int publishTimeoutMs = 20000;
  // A camera given a new static address by Commit restarts its network: after this pause
  // it serves and announces there and no longer at the old address (which it removes
  // from the interface). Only in a network namespace of its own; elsewhere it stays.
  int restartMs = 1000;
};

// Used from one control thread; the devices' HTTP threads touch only their camera, the
// log and the publisher, which lock themselves. A mover thread moves cameras to the
// addresses they were given; devices_ is guarded by devicesMutex_ for it.
class Simulator {
 public:
  explicit Simulator(SimulatorOptions options);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the log, starts mDNS and every device of config; returns when all listen and
  // are published, or false with error.
  bool Start(const SimulationConfig& config, std::string& error);
  void Stop();

  // Adds one device; id gets its host name.
  bool Add(CameraConfig config, std::string& id, std::string& error);
  bool Remove(const std::string& id, std::string& error);
  bool SetTxt(const std::string& id, const TxtRecord& txt, std::string& error);
  bool SetFaults(const std::string& id, const FaultSettings& faults, std::string& error);
  SimulatedCamera* FindCamera(const std::string& id);
  // Moves the camera serving at address (not needed by callers: Commit does it).
  void ScheduleMove(const std::shared_ptr<SimulatedCamera>& camera, const std::string& address, int prefix);
  nlohmann::json List() const;
  void ClearLog() { log_.Clear(); }
  std::size_t Count() const { return devices_.size(); }

 private:
  struct Device {
    CameraConfig config;
    std::shared_ptr<SimulatedCamera> camera;  // null for other services
    std::unique_ptr<CameraHttpServer> server;
    int mdnsId = 0;
  };

  Device* Find(const std::string& id);
  // Starts a device and queues its announcement; the device is appended to devices_.
  bool AddDevice(CameraConfig config, std::string& error);
  // Waits for its announcement; on failure withdraws it.
  bool WaitPublished(Device& device, std::string& error);
  bool AssignAddress(CameraConfig& config, std::string& error);
  struct PendingMove {
    std::chrono::steady_clock::time_point due;
    std::weak_ptr<SimulatedCamera> camera;
    std::string address;
    int prefix = 0;
  };
  void MoveLoop();
  void Move(const PendingMove& move);

  mutable std::recursive_mutex devicesMutex_;
  std::mutex moveMutex_;
  std::condition_variable moveWake_;
  std::deque<PendingMove> moves_;
  bool stopMoving_ = false;
  std::thread mover_;

  SimulatorOptions options_;
  struct PoolAddress {
    std::string address;
    int prefix = 24;
  };
  std::vector<PoolAddress> pool_;
  RequestLog log_;
  std::unique_ptr<MdnsPublisher> mdns_;
  std::vector<std::unique_ptr<Device>> devices_;
  int added_ = 0;
};

}  // namespace camsim
