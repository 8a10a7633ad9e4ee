#pragma once
// SoakDriver: plays a site full of misbehaving cameras for the finder's soak program. On a
// thread of its own it adds and removes cameras, changes TXT records, switches faults on
// and off and takes camera links down and up, all from one seeded random generator, so
// that a run can be replayed with the same seed. The simulators stay usable from other
// threads (their control channel is thread-safe); the driver's own book of cameras is
// read once it has stopped.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/camsim_process.h"

// One camera link of the lab: its simulator and the camera side of its veth pair.
struct SoakLink {
  std::unique_ptr<CamsimProcess> sim;
  std::string cameraNamespaceName;  // "cam0", "cam1", ... for $NETLAB_RUN
  std::string cameraInterface;      // $NETLAB_CAM<i>_IF
  std::size_t addressCount = 0;     // camera addresses the link has
};

// A camera as the driver made it.
struct SoakCamera {
  std::size_t link = 0;
  std::string name;
  std::string host;
  nlohmann::json txt;
  bool login = false;
  bool reserved = false;  // kept out of the driver's hands (firmware update)
  bool faulted = false;
};

class SoakDriver {
 public:
  // trace: print every operation with its time on standard output.
  SoakDriver(std::vector<SoakLink>& links, uint32_t seed, bool trace = false);
  ~SoakDriver();
  SoakDriver(const SoakDriver&) = delete;
  SoakDriver& operator=(const SoakDriver&) = delete;

  // Reads the simulators' devices into the book; reserve: host names the driver leaves alone.
  bool Load(const std::set<std::string>& reserve, std::string& error);
  void Start(std::chrono::steady_clock::time_point until);
  // Stops the thread, then clears every fault and brings every link up.
  void StopAndHeal();

  // While held, no link is taken down; LinksUp tells when every link is up again.
  void HoldLinks(bool hold) { holdLinks_ = hold; }
  bool LinksUp() const { return linksDown_ == 0; }

  // After StopAndHeal: the book.
  const std::map<std::string, SoakCamera>& Cameras() const { return cameras_; }
  const std::set<std::string>& RemovedNames() const { return removed_; }
  const std::map<std::string, int>& Operations() const { return operations_; }
  const std::map<std::string, int>& FaultsApplied() const { return faults_; }
  std::vector<std::string> Errors() const;

 private:
  void Run();
  void Step();
  void AddCamera();
  void RemoveCamera();
  void ChangeTxt();
  void FaultOn();
  void FaultOff();
  void LinkDown();
  void LinksDueUp(bool all);
  bool SetLink(std::size_t link, bool up);
  SoakCamera* PickCamera(bool faulted);
  std::size_t LiveOn(std::size_t link) const;
  nlohmann::json RandomFault(std::string& kind);
  void Note(const std::string& error);
  void Trace(const std::string& what, const std::string& host) const;

  std::vector<SoakLink>& links_;
  std::mt19937 random_;
  bool trace_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::map<std::string, SoakCamera> cameras_;  // by host name
  std::set<std::string> removed_;              // service names of removed cameras
  std::map<std::string, int> operations_;
  std::map<std::string, int> faults_;
  std::vector<std::chrono::steady_clock::time_point> linkUpAt_;  // epoch: link is up
  int nextSerial_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> holdLinks_{false};
  std::atomic<int> linksDown_{0};
  std::chrono::steady_clock::time_point until_;
  mutable std::mutex errorsLock_;
  std::vector<std::string> errors_;
  std::thread thread_;
};
