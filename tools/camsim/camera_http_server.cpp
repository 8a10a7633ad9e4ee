#include "tools/camsim/camera_http_server.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "tools/camsim/connection_threads.h"

namespace camsim {

namespace {

constexpr int kNoAnswerHoldMs = 300000;
constexpr std::size_t kMaxUpload = 256u << 20;

std::string Ipv4Text(const sockaddr_in& sa) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
  return text;
}

bool SameEnd(const sockaddr_in& sa, const std::string& ip, int port) {
  return sa.sin_family == AF_INET && ntohs(sa.sin_port) == port && Ipv4Text(sa) == ip;
}

// Cuts the connection that carries req: finds its socket by both ends and resets it (the
// server's later close then sends RST), so the client sees the peer vanish mid-transfer.
void DropConnection(const httplib::Request& req) {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return;
  while (dirent* entry = readdir(dir)) {
    const int fd = std::atoi(entry->d_name);
    if (fd <= 2 || fd == dirfd(dir)) continue;
    sockaddr_in local{}, peer{};
    socklen_t len = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0) continue;
    len = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0) continue;
    if (!SameEnd(local, req.local_addr, req.local_port) || !SameEnd(peer, req.remote_addr, req.remote_port)) continue;
    linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    shutdown(fd, SHUT_RDWR);
    break;
  }
  closedir(dir);
}

CameraRequest RequestOf(const httplib::Request& req) {
  CameraRequest request;
  request.method = req.method;
  const std::size_t q = req.target.find('?');
  request.path = req.target.substr(0, q);
  if (q != std::string::npos) request.query = req.target.substr(q + 1);
  return request;
}

nlohmann::json ActiveFaults(const FaultSettings& f, const std::string& path) {
  nlohmann::json names = nlohmann::json::array();
  if (!f.AppliesTo(path)) return names;
  if (f.delayMs > 0) names.push_back("delay");
  if (f.noAnswer) names.push_back("no_answer");
  if (f.httpStatus != 0) names.push_back("http_status");
  if (f.exception) names.push_back("exception");
  if (f.malformed) names.push_back("malformed");
  if (f.oversize) names.push_back("oversize");
  if (f.firmwareRefused) names.push_back("firmware_refused");
  if (f.endlessStatus) names.push_back("endless_status");
  if (f.dropUpload) names.push_back("drop_upload");
  return names;
}

}  // namespace

CameraHttpServer::CameraHttpServer(std::shared_ptr<SimulatedCamera> camera, std::string address, uint16_t port,
                                   RequestLog& log)
    : camera_(std::move(camera)), address_(std::move(address)), port_(port), log_(log) {}

CameraHttpServer::~CameraHttpServer() { Stop(); }

bool CameraHttpServer::Start(std::string& error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
  }
  if (camera_->Faults().refuse) return true;
  return Listen(error);
}

void CameraHttpServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  CloseListener();
}

bool CameraHttpServer::FaultsChanged(std::string& error) {
  { std::lock_guard<std::mutex> lock(mutex_); }  // a waiter is either waiting or sees the change
  wake_.notify_all();
  const bool refuse = camera_->Faults().refuse;
  if (refuse) {
    CloseListener();
    return true;
  }
  return IsListening() || Listen(error);
}

bool CameraHttpServer::IsListening() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return server_ != nullptr;
}

bool CameraHttpServer::Listen(std::string& error) {
  auto server = std::make_unique<httplib::Server>();
  // httplib takes ownership of the queue it is handed.
  server->new_task_queue = [] { return new ConnectionThreads(); };
  server->set_tcp_nodelay(true);  // answers go out in several writes
  server->set_keep_alive_timeout(1);
  server->set_read_timeout(10);
  server->set_write_timeout(10);
  server->set_payload_max_length(kMaxUpload);
  server->Get(".*", [this](const httplib::Request& req, httplib::Response& res) { ServeGet(req, res); });
  server->Post(".*", [this](const httplib::Request& req, httplib::Response& res,
                            const httplib::ContentReader& reader) { ServePost(req, res, reader); });
  bool bound = false;
  if (port_ == 0) {
    const int any = server->bind_to_any_port(address_);
    bound = any > 0;
    if (bound) port_ = static_cast<uint16_t>(any);
  } else {
    bound = server->bind_to_port(address_, port_);
  }
  if (!bound) {
    error = "cannot listen on " + address_ + ":" + std::to_string(port_);
    return false;
  }
  httplib::Server* raw = server.get();
  std::lock_guard<std::mutex> lock(mutex_);
  server_ = std::move(server);
  thread_ = std::thread([raw] { raw->listen_after_bind(); });
  // stop() only works on a running server: wait until the loop has started.
  while (!raw->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void CameraHttpServer::CloseListener() {
  std::unique_ptr<httplib::Server> server;
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    server.swap(server_);
    thread.swap(thread_);
  }
  if (server) server->stop();
  if (thread.joinable()) thread.join();
}

void CameraHttpServer::Wait(int ms, bool whenHealed) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [&] {
    if (stopping_) return true;
    return whenHealed && !camera_->Faults().noAnswer;
  });
}

nlohmann::json CameraHttpServer::LogEntry(const httplib::Request& req, const CameraRequest& request) const {
  const CameraConfig config = camera_->Config();
  nlohmann::json entry = {{"camera", config.name}, {"host", config.host},       {"address", address_},
                          {"method", request.method}, {"path", request.path}, {"query", request.query},
                          {"remote", req.remote_addr + ":" + std::to_string(req.remote_port)}};
  const nlohmann::json faults = ActiveFaults(config.faults, request.path);
  if (!faults.empty()) entry["faults"] = faults;
  return entry;
}

void CameraHttpServer::ServeGet(const httplib::Request& req, httplib::Response& res) {
  CameraRequest request = RequestOf(req);
  nlohmann::json entry = LogEntry(req, request);
  Answer(std::move(request), req, res, std::move(entry));
}

void CameraHttpServer::ServePost(const httplib::Request& req, httplib::Response& res,
                                 const httplib::ContentReader& reader) {
  CameraRequest request = RequestOf(req);
  const FaultSettings faults = camera_->Faults();
  const bool drop = faults.dropUpload && faults.AppliesTo(request.path);
  bool dropped = false;
  std::size_t parts = 0;
  if (req.is_multipart_form_data()) {
    reader(
        [&](const httplib::MultipartFormData& header) {
          ++parts;
          if (!request.part) {
            request.part = UploadedPart{header.name, header.filename, {}};
            // The part is most of the body: one buffer instead of doubling ones.
            const uint64_t length = req.get_header_value<uint64_t>("Content-Length");
            request.part->content.reserve(std::min<uint64_t>(length, kMaxUpload));
          }
          return true;
        },
        [&](const char* data, std::size_t size) {
          if (drop) {
            dropped = true;
            request.part->content.append(data, size);
            return false;
          }
          if (parts == 1) request.part->content.append(data, size);
          return true;
        });
  } else {
    std::string body;
    reader([&](const char* data, std::size_t size) {
      body.append(data, size);
      return true;
    });
  }
  nlohmann::json entry = LogEntry(req, request);
  if (request.part) {
    entry["part"] = {{"name", request.part->name},
                     {"filename", request.part->filename},
                     {"size", request.part->content.size()}};
    if (parts > 1) entry["parts"] = parts;
  }
  if (dropped) {
    entry["dropped"] = true;
    log_.Write(std::move(entry));
    DropConnection(req);
    res.status = 500;
    return;
  }
  Answer(std::move(request), req, res, std::move(entry));
}

void CameraHttpServer::Answer(CameraRequest request, const httplib::Request& req, httplib::Response& res,
                              nlohmann::json entry) {
  log_.Write(std::move(entry));
  const FaultSettings faults = camera_->Faults();
  if (faults.AppliesTo(request.path)) {
    if (faults.noAnswer) {
      Wait(kNoAnswerHoldMs, true);
      DropConnection(req);
      res.status = 500;
      return;
    }
    if (faults.delayMs > 0) Wait(faults.delayMs, false);
  }
  const CameraResponse response = camera_->Handle(request);
  res.status = response.status;
  res.set_content(response.body, response.contentType.c_str());
}

}  // namespace camsim
