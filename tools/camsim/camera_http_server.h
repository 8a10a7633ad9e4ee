#pragma once
// The HTTP server of one simulated camera on its own address and port. It turns requests
// into CameraRequest for the camera, writes the request log and plays the transport
// faults: answer delay, no answer, refused connections (no listener) and uploads dropped
// halfway.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/camsim/request_log.h"
#include "tools/camsim/simulated_camera.h"

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
}  // namespace httplib

namespace camsim {

class CameraHttpServer {
 public:
  CameraHttpServer(std::shared_ptr<SimulatedCamera> camera, std::string address, uint16_t port, RequestLog& log);
  ~CameraHttpServer();
  CameraHttpServer(const CameraHttpServer&) = delete;
  CameraHttpServer& operator=(const CameraHttpServer&) = delete;

  // Starts listening unless the camera refuses connections; false with error when the
  // address and port cannot be bound.
  bool Start(std::string& error);
  // Stops listening, wakes waiting answers and joins every connection.
  void Stop();
  // Follows a change of the camera's faults: opens or closes the listener for "refuse"
  // and releases answers held back by "no_answer".
  bool FaultsChanged(std::string& error);
  bool IsListening() const;

  const std::string& Address() const { return address_; }
  // The port it listens on (the bound one when it was created with port 0).
  uint16_t Port() const { return port_; }

 private:
  bool Listen(std::string& error);
  void CloseListener();
  void ServeGet(const httplib::Request& req, httplib::Response& res);
  void ServePost(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader);
  void Answer(CameraRequest request, const httplib::Request& req, httplib::Response& res, nlohmann::json entry);
  nlohmann::json LogEntry(const httplib::Request& req, const CameraRequest& request) const;
  // Waits up to ms unless the server stops or (whenHealed) the no-answer fault ends.
  void Wait(int ms, bool whenHealed);

  std::shared_ptr<SimulatedCamera> camera_;
  const std::string address_;
  uint16_t port_;
  RequestLog& log_;

  mutable std::mutex mutex_;  // server_, thread_, stopping_
  std::condition_variable wake_;
  bool stopping_ = false;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
};

}  // namespace camsim
