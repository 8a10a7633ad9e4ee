#include "tests/support/scripted_camera_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>

namespace camtest {

namespace {

bool EnterNamespace(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = setns(fd, CLONE_NEWNET) == 0;
  close(fd);
  return ok;
}

}  // namespace

ScriptedCameraServer::ScriptedCameraServer() {
  auto handler = [this](const httplib::Request& req, httplib::Response& res) { Handle(req, res); };
  m_server.Get(".*", handler);
  m_server.Post(".*", handler);
}

ScriptedCameraServer::~ScriptedCameraServer() { Stop(); }

bool ScriptedCameraServer::Start(const std::string& host, const std::string& nsPath) {
  m_host = host;
  std::promise<int> bound;
  m_thread = std::thread([this, host, nsPath, &bound] {
    if (!nsPath.empty() && !EnterNamespace(nsPath)) {
      bound.set_value(-1);
      return;
    }
    const int port = m_server.bind_to_any_port(host);
    bound.set_value(port);
    if (port > 0) m_server.listen_after_bind();
  });
  m_port = bound.get_future().get();
  if (m_port <= 0) return false;
  // stop() only reaches a server that already runs its accept loop.
  while (!m_server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void ScriptedCameraServer::Stop() {
  if (!m_thread.joinable()) return;
  m_server.stop();
  m_thread.join();
}

void ScriptedCameraServer::SetScript(Script script) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_script = std::move(script);
}

void ScriptedCameraServer::Reply(const std::string& prefix, ScriptedReply reply) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_fixed.emplace_back(prefix, std::move(reply));
}

std::string ScriptedCameraServer::BaseUrl() const { return "http://" + m_host + ":" + std::to_string(m_port) + "/"; }

std::vector<ReceivedRequest> ScriptedCameraServer::Requests() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

std::vector<std::string> ScriptedCameraServer::Targets() {
  std::vector<std::string> targets;
  for (const ReceivedRequest& r : Requests()) targets.push_back(r.target);
  return targets;
}

void ScriptedCameraServer::ClearRequests() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_requests.clear();
}

void ScriptedCameraServer::Handle(const httplib::Request& req, httplib::Response& res) {
  ReceivedRequest received{req.method, req.target, req.body, req.get_header_value("Content-Type"), {}};
  for (const auto& [name, file] : req.files) {
    received.parts.push_back({file.name, file.filename, file.content_type, file.content});
  }
  ScriptedReply reply{404, "", std::chrono::milliseconds(0)};
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.push_back(received);
    bool fixed = false;
    for (const auto& [prefix, answer] : m_fixed) {
      if (received.target.rfind(prefix, 0) == 0) {
        reply = answer;
        fixed = true;
        break;
      }
    }
    if (!fixed && m_script) reply = m_script(received);
  }
  if (reply.delay.count() > 0) std::this_thread::sleep_for(reply.delay);
  res.status = reply.status;
  res.set_content(reply.body, "text/plain");
}

RawAnswerServer::RawAnswerServer(std::string rawAnswer) : m_answer(std::move(rawAnswer)) {}

RawAnswerServer::~RawAnswerServer() {
  if (m_thread.joinable()) {
    m_stop = true;
    m_thread.join();
  }
  if (m_listener >= 0) close(m_listener);
}

bool RawAnswerServer::Start() {
  m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
      listen(m_listener, 4) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    return false;
  }
  m_port = ntohs(sa.sin_port);
  m_thread = std::thread([this] { Serve(); });
  return true;
}

std::string RawAnswerServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

void RawAnswerServer::Serve() {
  while (!m_stop) {
    pollfd p{m_listener, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    const int conn = accept(m_listener, nullptr, nullptr);
    if (conn < 0) continue;
    char buf[4096];
    (void)!read(conn, buf, sizeof buf);  // the request; its content does not matter here
    (void)!write(conn, m_answer.data(), m_answer.size());
    shutdown(conn, SHUT_WR);
    close(conn);
  }
}

int ClosedLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len);
  close(s);
  return ntohs(sa.sin_port);
}

}  // namespace camtest
