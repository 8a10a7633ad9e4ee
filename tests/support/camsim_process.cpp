#include "tests/support/camsim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "tools/camsim/firmware_image.h"

extern char** environ;

namespace {

std::string MakeTempFile(const char* pattern) {
  std::string path = std::string("/tmp/") + pattern + "-XXXXXX";
  const int fd = mkstemp(path.data());
  if (fd < 0) return {};
  close(fd);
  return path;
}

}  // namespace

CamsimProcess::CamsimProcess(Options options) : options_(std::move(options)) {}

CamsimProcess::~CamsimProcess() {
  Stop();
  if (!logPath_.empty()) unlink(logPath_.c_str());
  if (!configPath_.empty()) unlink(configPath_.c_str());
}

std::string CamsimProcess::BinaryPath() {
  if (const char* dir = std::getenv("RAVIX_BINARY_DIR"); dir != nullptr && *dir != '\0') {
    const std::string path = std::string(dir) + "/tools/camsim/ravix-camsim";
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return RAVIX_CAMSIM_BINARY;
}

std::string CamsimProcess::FirmwareImage(std::size_t size, const std::string& version) {
  return camsim::MakeFirmwareImage(size, version);
}

std::vector<std::string> CamsimProcess::Arguments() const {
  std::vector<std::string> args;
  std::string ns = options_.cameraNamespace;
  if (ns.empty() && std::getenv("NETLAB_CAM0") != nullptr) ns = std::getenv("NETLAB_CAM0");
  if (!ns.empty() && ns != "-") args = {"ip", "netns", "exec", ns};
  args.push_back(BinaryPath());
  if (options_.cameras >= 0) args.insert(args.end(), {"--cameras", std::to_string(options_.cameras)});
  if (!options_.profile.empty()) args.insert(args.end(), {"--profile", options_.profile});
  if (!configPath_.empty()) args.insert(args.end(), {"--config", configPath_});
  if (!options_.catalogueFile.empty()) args.insert(args.end(), {"--catalogue", options_.catalogueFile});
  if (options_.port != 0) args.insert(args.end(), {"--port", std::to_string(options_.port)});
  if (!options_.mdns) args.push_back("--no-mdns");
  if (!options_.addresses.empty()) {
    std::string list;
    for (const std::string& a : options_.addresses) list += (list.empty() ? "" : ",") + a;
    args.insert(args.end(), {"--addresses", list});
  }
  args.insert(args.end(), {"--log", logPath_});
  args.insert(args.end(), options_.extraArgs.begin(), options_.extraArgs.end());
  return args;
}

bool CamsimProcess::Start(std::string* error) {
  auto fail = [&](const std::string& message) {
    if (error != nullptr) *error = message;
    Stop();
    return false;
  };
  if (pid_ > 0) return fail("already started");
  logPath_ = MakeTempFile("camsim-log");
  if (!options_.camerasJson.empty()) {
    configPath_ = MakeTempFile("camsim-config");
    std::ofstream(configPath_) << options_.camerasJson;
  }
  if (logPath_.empty() || (!options_.camerasJson.empty() && configPath_.empty())) return fail("cannot make temp files");
  if (options_.cameraNamespace.empty() && std::getenv("NETLAB_CAM0") == nullptr) {
    return fail("no camera namespace: not inside tools/netlab and Options::cameraNamespace is empty");
  }
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return fail("pipe failed");
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return fail("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const std::vector<std::string> args = Arguments();
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int rc = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  toChild_ = in[1];
  fromChild_ = out[0];
  if (rc != 0) {
    pid_ = -1;
    return fail("cannot start " + args[0]);
  }
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.readyTimeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return fail("simulator not ready within " + std::to_string(options_.readyTimeoutMs) + " ms");
    if (!ReadLine(line, static_cast<int>(left.count()))) {
      if (Running()) continue;
      return fail("simulator ended before it was ready (see its standard error)");
    }
    if (line.rfind("ready", 0) == 0) return true;
    startupOutput_ += line + "\n";
  }
}

bool CamsimProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

void CamsimProcess::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (pid_ > 0 && toChild_ >= 0) (void)!write(toChild_, "quit\n", 5);
  if (toChild_ >= 0) close(toChild_);
  toChild_ = -1;
  if (pid_ > 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
  }
  if (fromChild_ >= 0) close(fromChild_);
  fromChild_ = -1;
}

bool CamsimProcess::ReadLine(std::string& line, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::size_t eol = readBuffer_.find('\n');
    if (eol != std::string::npos) {
      line = readBuffer_.substr(0, eol);
      readBuffer_.erase(0, eol + 1);
      return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (fromChild_ < 0 || left.count() <= 0) return false;
    pollfd pfd{fromChild_, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[65536];
    const ssize_t n = read(fromChild_, chunk, sizeof chunk);
    if (n <= 0) return false;
    readBuffer_.append(chunk, static_cast<std::size_t>(n));
  }
}

std::string CamsimProcess::Command(const std::string& line, int timeoutMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (toChild_ < 0) return {};
  const std::string text = line + "\n";
  if (write(toChild_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return {};
  std::string answer;
  return ReadLine(answer, timeoutMs) ? answer : std::string();
}

bool CamsimProcess::CommandOk(const std::string& line, std::string* payload, std::string* error) {
  const std::string answer = Command(line);
  if (answer == "ok" || answer.rfind("ok ", 0) == 0) {
    if (payload != nullptr) *payload = answer.size() > 3 ? answer.substr(3) : std::string();
    return true;
  }
  if (error != nullptr) *error = answer.empty() ? "no answer from the simulator" : answer;
  return false;
}

bool CamsimProcess::AddCamera(const nlohmann::json& camera, std::string* host, std::string* error) {
  return CommandOk("add " + camera.dump(), host, error);
}

bool CamsimProcess::RemoveCamera(const std::string& device, std::string* error) {
  return CommandOk("remove " + device, nullptr, error);
}

bool CamsimProcess::SetTxt(const std::string& device, const nlohmann::json& txt, std::string* error) {
  return CommandOk("txt " + device + " " + txt.dump(), nullptr, error);
}

bool CamsimProcess::SetFaults(const std::string& device, const nlohmann::json& faults, std::string* error) {
  return CommandOk("fault " + device + " " + faults.dump(), nullptr, error);
}

bool CamsimProcess::SetParameter(const std::string& device, const std::string& name, const std::string& value,
                                 std::string* error) {
  return CommandOk("set " + device + " " + name + " " + value, nullptr, error);
}

std::optional<std::string> CamsimProcess::GetParameter(const std::string& device, const std::string& name) {
  std::string value;
  if (!CommandOk("get " + device + " " + name, &value)) return std::nullopt;
  return value;
}

std::optional<std::string> CamsimProcess::GetStagedParameter(const std::string& device, const std::string& name) {
  std::string value;
  if (!CommandOk("staged " + device + " " + name, &value)) return std::nullopt;
  return value;
}

nlohmann::json CamsimProcess::List() {
  std::string payload;
  if (!CommandOk("list", &payload)) return nlohmann::json::array();
  const nlohmann::json list = nlohmann::json::parse(payload, nullptr, false);
  return list.is_discarded() ? nlohmann::json::array() : list;
}

std::vector<nlohmann::json> CamsimProcess::RequestLog() const {
  std::vector<nlohmann::json> entries;
  std::ifstream in(logPath_);
  for (std::string line; std::getline(in, line);) {
    const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
    if (!entry.is_discarded()) entries.push_back(entry);
  }
  return entries;
}

void CamsimProcess::ClearRequestLog() { CommandOk("clear-log"); }
