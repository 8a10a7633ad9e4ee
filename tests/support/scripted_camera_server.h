#pragma once
// A real HTTP server for tests: cpp-httplib on one address, answering every GET and POST
// from a script and keeping a record of the requests it received (raw request targets).
// It can be started inside another network namespace (a lab camera).

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace camtest {

struct ReceivedPart {
  std::string name;
  std::string fileName;
  std::string contentType;
  std::string content;
};

struct ReceivedRequest {
  std::string method;
  std::string target;  // path and query exactly as sent
  std::string body;
  std::string contentType;
  std::vector<ReceivedPart> parts;  // of a multipart/form-data body
};

struct ScriptedReply {
  int status = 200;
  std::string body;
  std::chrono::milliseconds delay{0};  // waited before answering
};

class ScriptedCameraServer {
 public:
  using Script = std::function<ScriptedReply(const ReceivedRequest&)>;

  ScriptedCameraServer();
  ~ScriptedCameraServer();

  ScriptedCameraServer(const ScriptedCameraServer&) = delete;
  ScriptedCameraServer& operator=(const ScriptedCameraServer&) = delete;

  // Listens on host at a free port; with nsPath set, from inside that network namespace.
  // False when the server could not start.
  bool Start(const std::string& host = "127.0.0.1", const std::string& nsPath = "");
  void Stop();

  // Replies by script; without one every request gets 404.
  void SetScript(Script script);
  // A fixed reply for requests whose target starts with prefix (checked before the script).
  void Reply(const std::string& prefix, ScriptedReply reply);

  std::string BaseUrl() const;  // "http://host:port/"
  int Port() const { return m_port; }
  std::vector<ReceivedRequest> Requests();
  std::vector<std::string> Targets();
  void ClearRequests();

 private:
  void Handle(const httplib::Request& req, httplib::Response& res);

  httplib::Server m_server;
  std::thread m_thread;
  std::string m_host;
  int m_port = 0;
  std::mutex m_mutex;
  Script m_script;
  std::vector<std::pair<std::string, ScriptedReply>> m_fixed;
  std::vector<ReceivedRequest> m_requests;
};

// Accepts connections on 127.0.0.1 and answers each with fixed raw bytes (for header
// forms a real server never writes), then closes it.
class RawAnswerServer {
 public:
  explicit RawAnswerServer(std::string rawAnswer);
  ~RawAnswerServer();
  RawAnswerServer(const RawAnswerServer&) = delete;
  RawAnswerServer& operator=(const RawAnswerServer&) = delete;

  bool Start();
  std::string BaseUrl() const;

 private:
  void Serve();

  std::string m_answer;
  int m_listener = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// A 127.0.0.1 port nobody listens on (connections are refused).
int ClosedLoopbackPort();

}  // namespace camtest
