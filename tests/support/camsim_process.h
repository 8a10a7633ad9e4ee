#pragma once
// CamsimProcess: runs the camera simulator ravix-camsim for a test, in a camera namespace
// of the network lab, and talks to it over its control channel.
//
// Use inside a lab test (ravix_add_lab_test; the test runs in the lab's "pc" namespace):
//
//   CamsimProcess::Options options;
//   options.cameras = 3;                       // or options.camerasJson = R"({"cameras":[...]})";
//   CamsimProcess sim(options);                // namespace: $NETLAB_CAM0 unless options say
//   std::string error;
//   ASSERT_TRUE(sim.Start(&error)) << error;   // returns once HTTP answers and mDNS is published
//   nlohmann::json cams = sim.List();          // [{"name", "host", "address", "port", "txt", ...}]
//   ... run the code under test against cams[0]["address"] ...
//   sim.SetFaults(cams[0]["host"], {{"http_status", 500}});
//   auto requests = sim.RequestLog();          // one JSON object per request, in order
//   EXPECT_EQ(requests[0]["path"], "/cgi-bin/param_if.cgi");
//
// The destructor stops the simulator (quit, then SIGKILL after 3 s) and removes its
// temporary files. Devices are named by host name, address or (blank-free) service name.
// The binary is $RAVIX_BINARY_DIR/tools/camsim/ravix-camsim (lab tests get that variable),
// else the one this library was built with. Commands may come from several threads.
// Formats of the camera description, faults and log: tools/camsim/README.md.

#include <sys/types.h>

#include <cstddef>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

class CamsimProcess {
 public:
  struct Options {
    // Network namespace to run in: a name under /run/netns; empty means $NETLAB_CAM0;
    // "-" runs in the caller's own namespace (only with mdns = false and loopback addresses).
    std::string cameraNamespace;
    int cameras = -1;             // --cameras N; -1: none unless camerasJson is empty (then 1)
    std::string profile;          // --profile plain|mixed
    std::string camerasJson;      // camera description (JSON text), passed as --config
    std::string catalogueFile;    // --catalogue
    int port = 0;                 // --port; 0: the simulator's default (80)
    bool mdns = true;             // false: --no-mdns
    std::vector<std::string> addresses;  // --addresses
    std::vector<std::string> extraArgs;
    int readyTimeoutMs = 30000;
  };

  explicit CamsimProcess(Options options);
  ~CamsimProcess();
  CamsimProcess(const CamsimProcess&) = delete;
  CamsimProcess& operator=(const CamsimProcess&) = delete;

  // Starts the simulator and waits for its "ready" line; false (with error) when it
  // fails or times out.
  bool Start(std::string* error = nullptr);
  // Sends quit, waits up to 3 s, then kills. Safe to call twice.
  void Stop();
  bool Running();
  pid_t Pid() const { return pid_; }
  // Lines the simulator printed on standard output before "ready" (none normally).
  const std::string& StartupOutput() const { return startupOutput_; }

  // Sends one control line and returns the answer line ("ok ..." or "error ..."); ""
  // when the simulator does not answer within timeoutMs.
  std::string Command(const std::string& line, int timeoutMs = 30000);
  // Command that succeeds: true for "ok"; payload gets the text after "ok ".
  bool CommandOk(const std::string& line, std::string* payload = nullptr, std::string* error = nullptr);

  // Adds a camera described as in the camera JSON; host gets its host name. Returns once
  // it listens and is published.
  bool AddCamera(const nlohmann::json& camera, std::string* host = nullptr, std::string* error = nullptr);
  bool RemoveCamera(const std::string& device, std::string* error = nullptr);
  bool SetTxt(const std::string& device, const nlohmann::json& txt, std::string* error = nullptr);
  bool SetFaults(const std::string& device, const nlohmann::json& faults, std::string* error = nullptr);
  bool SetParameter(const std::string& device, const std::string& name, const std::string& value,
                    std::string* error = nullptr);
  std::optional<std::string> GetParameter(const std::string& device, const std::string& name);
  // Value set by SetValue and waiting for Network.Commit, if any.
  std::optional<std::string> GetStagedParameter(const std::string& device, const std::string& name);
  // The devices: [{"name", "host", "address", "port", "camera", "login", "txt", "faults"}].
  nlohmann::json List();

  // Every request logged so far, oldest first.
  std::vector<nlohmann::json> RequestLog() const;
  void ClearRequestLog();
  const std::string& LogPath() const { return logPath_; }

  // Path of the simulator binary that Start runs.
  static std::string BinaryPath();
  // A firmware image the simulated cameras accept (size bytes, carrying version).
  static std::string FirmwareImage(std::size_t size, const std::string& version);

 private:
  bool ReadLine(std::string& line, int timeoutMs);
  std::vector<std::string> Arguments() const;

  Options options_;
  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  std::string readBuffer_;
  std::string startupOutput_;
  std::string logPath_;
  std::string configPath_;
  std::mutex mutex_;
};
