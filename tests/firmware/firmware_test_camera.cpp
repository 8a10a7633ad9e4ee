#include "firmware_test_camera.h"

#include <chrono>

#include "camera/camera_client.h"

FirmwareTestCamera::FirmwareTestCamera() {
  SetPage(kUpload, {200, "Ready for upload\n"});
  SetPage(kVerify, {200, "<html><body>Firmware RavixFinderRocks.bin is matching this camera</body></html>"});
  SetPage(kFinish, {200, RefreshPage("1", "/cgi-bin/firmware.cgi/status1", "Installing")});
  SetPage("//cgi-bin/firmware.cgi/status1", {200, RefreshPage("1", "/cgi-bin/firmware.cgi/status2", "40 %")});
  SetPage("//cgi-bin/firmware.cgi/status2", {200, RefreshPage("1", "/cgi-bin/firmware.cgi/check", "80 %")});
  SetPage("//cgi-bin/firmware.cgi/check", {200, "<html><body>Update complete, restarting</body></html>"});
  SetPage(kReset, {200, "Resetting\n"});
  const auto handler = [this](const httplib::Request& request, httplib::Response& response) { Answer(request, response); };
  m_server.set_tcp_nodelay(true);  // small answers go out at once, as from a camera
  m_server.Get(".*", handler);
  m_server.Post(".*", handler);
  m_port = m_server.bind_to_any_port("127.0.0.1");
  m_thread = std::thread([this] { m_server.listen_after_bind(); });
}

FirmwareTestCamera::~FirmwareTestCamera() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stopping = true;
  }
  m_stopped.notify_all();
  m_server.stop();
  if (m_thread.joinable()) m_thread.join();
}

void FirmwareTestCamera::SetPage(const std::string& path, Page page) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_pages[path] = std::move(page);
}

std::string FirmwareTestCamera::RefreshPage(const std::string& delay, const std::string& url, const std::string& text) {
  return "<html><head><meta http-equiv=\"refresh\" content=\"" + delay + "; url=" + url +
         "\"></head>\n<body>" + text + "</body></html>\n";
}

int FirmwareTestCamera::Open(bool withSession) {
  const std::string host = "127.0.0.1:" + std::to_string(m_port) + "/";
  const std::string url = withSession ? "http://admin:secret@" + host : "http://" + host;
  int id = 0;
  return CameraOpen(url.c_str(), &id, nullptr) == 0 ? id : 0;
}

void FirmwareTestCamera::Answer(const httplib::Request& request, httplib::Response& response) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_log.push_back(request.method + " " + request.target);
  if (request.path == "/cgi-bin/auth_if.cgi") {
    response.set_content(std::string("Login done, session_id: '") + kSessionId + "' valid\n", "text/plain");
    return;
  }
  if (request.path == "/cgi-bin/param_if.cgi") {
    response.set_content("Return_0=1\n", "text/plain");
    return;
  }
  if (request.method == "POST") {
    m_parts.clear();
    for (const auto& [name, part] : request.files) m_parts.push_back(part);
    m_postContentType = request.get_header_value("Content-Type");
  }
  const auto page = m_pages.find(request.path);
  if (page == m_pages.end()) {
    response.status = 404;
    return;
  }
  const Page answer = page->second;
  if (answer.delayMs > 0) {
    m_stopped.wait_for(lock, std::chrono::milliseconds(answer.delayMs), [this] { return m_stopping; });
  }
  response.status = answer.status;
  response.set_content(answer.body, "text/html");
}

std::vector<std::string> FirmwareTestCamera::Log() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_log;
}

int FirmwareTestCamera::Count(const std::string& pathPart) const {
  std::lock_guard<std::mutex> lock(m_lock);
  int n = 0;
  for (const std::string& line : m_log) n += line.find(pathPart) != std::string::npos ? 1 : 0;
  return n;
}

std::vector<httplib::MultipartFormData> FirmwareTestCamera::LastPostParts() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_parts;
}

std::string FirmwareTestCamera::LastPostContentType() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_postContentType;
}
