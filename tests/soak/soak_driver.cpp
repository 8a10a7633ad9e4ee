#include "soak_driver.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

using nlohmann::json;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kSerialPrefix = "ZN";

std::string Env(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? value : "";
}

}  // namespace

SoakDriver::SoakDriver(std::vector<SoakLink>& links, uint32_t seed, bool trace)
    : links_(links), random_(seed), trace_(trace), linkUpAt_(links.size()) {}

void SoakDriver::Trace(const std::string& what, const std::string& host) const {
  if (!trace_) return;
  const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  std::printf("%8.2f %s %s%s\n", seconds, what.c_str(), host.c_str(), linksDown_ > 0 ? " (a link is down)" : "");
}

SoakDriver::~SoakDriver() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

bool SoakDriver::Load(const std::set<std::string>& reserve, std::string& error) {
  for (std::size_t i = 0; i < links_.size(); ++i) {
    for (const json& device : links_[i].sim->List()) {
      if (!device.value("camera", false)) continue;
      SoakCamera camera;
      camera.link = i;
      camera.name = device["name"];
      camera.host = device["host"];
      camera.txt = device["txt"];
      camera.login = !device["login"].is_null() && device["login"] != false;
      camera.reserved = reserve.count(camera.host) != 0;
      cameras_[camera.host] = camera;
    }
  }
  if (cameras_.empty()) error = "the simulators hold no camera";
  return !cameras_.empty();
}

void SoakDriver::Start(Clock::time_point until) {
  until_ = until;
  thread_ = std::thread([this] { Run(); });
}

void SoakDriver::StopAndHeal() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  LinksDueUp(true);
  for (auto& [host, camera] : cameras_) {
    if (!camera.faulted) continue;
    std::string error;
    if (!links_[camera.link].sim->SetFaults(host, json::object(), &error)) Note("clear faults of " + host + ": " + error);
    camera.faulted = false;
  }
}

std::vector<std::string> SoakDriver::Errors() const {
  std::lock_guard lock(errorsLock_);
  return errors_;
}

void SoakDriver::Note(const std::string& error) {
  std::lock_guard lock(errorsLock_);
  errors_.push_back(error);
}

void SoakDriver::Run() {
  while (!stop_ && Clock::now() < until_) {
    Step();
    std::uniform_int_distribution<int> pause(50, 350);
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(random_)));
  }
}

void SoakDriver::Step() {
  LinksDueUp(false);
  // Weights of add, remove, txt, fault on, fault off, link down.
  std::discrete_distribution<int> kind({8, 7, 14, 18, 14, 1});
  switch (kind(random_)) {
    case 0: AddCamera(); break;
    case 1: RemoveCamera(); break;
    case 2: ChangeTxt(); break;
    case 3: FaultOn(); break;
    case 4: FaultOff(); break;
    default: LinkDown(); break;
  }
}

std::size_t SoakDriver::LiveOn(std::size_t link) const {
  std::size_t count = 0;
  for (const auto& entry : cameras_) count += entry.second.link == link ? 1 : 0;
  return count;
}

SoakCamera* SoakDriver::PickCamera(bool faulted) {
  std::vector<SoakCamera*> candidates;
  for (auto& entry : cameras_) {
    if (!entry.second.reserved && entry.second.faulted == faulted) candidates.push_back(&entry.second);
  }
  if (candidates.empty()) return nullptr;
  std::uniform_int_distribution<std::size_t> pick(0, candidates.size() - 1);
  return candidates[pick(random_)];
}

void SoakDriver::AddCamera() {
  std::uniform_int_distribution<std::size_t> pickLink(0, links_.size() - 1);
  const std::size_t link = pickLink(random_);
  if (LiveOn(link) >= links_[link].addressCount) return;  // no free address on that link
  const std::string serial = kSerialPrefix + std::to_string(link) + std::to_string(10000 + nextSerial_++);
  json description = {{"serial", serial}, {"fwversion", "4.0." + std::to_string(random_() % 10)}};
  const bool login = random_() % 4 == 0;
  if (login) description["login"] = {{"username", "admin"}, {"password", "zorvik"}};
  if (random_() % 3 == 0) description["model"] = "Ravix-D210";
  std::string host;
  std::string error;
  if (!links_[link].sim->AddCamera(description, &host, &error)) {
    Note("add " + serial + ": " + error);
    return;
  }
  ++operations_["add"];
  Trace("add", host);
  for (const json& device : links_[link].sim->List()) {
    if (device["host"] != host) continue;
    SoakCamera camera;
    camera.link = link;
    camera.name = device["name"];
    camera.host = host;
    camera.txt = device["txt"];
    camera.login = login;
    cameras_[host] = camera;
  }
}

void SoakDriver::RemoveCamera() {
  SoakCamera* camera = PickCamera(random_() % 3 == 0);
  if (camera == nullptr) return;
  std::string error;
  if (!links_[camera->link].sim->RemoveCamera(camera->host, &error)) {
    Note("remove " + camera->host + ": " + error);
    return;
  }
  ++operations_["remove"];
  Trace("remove", camera->host);
  removed_.insert(camera->name);
  cameras_.erase(camera->host);
}

void SoakDriver::ChangeTxt() {
  SoakCamera* camera = PickCamera(random_() % 3 == 0);
  if (camera == nullptr) return;
  json txt = camera->txt;
  switch (random_() % 4) {
    case 0: txt["fwversion.zorvnet"] = "4." + std::to_string(random_() % 20) + "." + std::to_string(random_() % 10); break;
    case 1: txt["model.zorvnet"] = random_() % 2 ? "Ravix-B120" : "Ravix-D210"; break;
    case 2: txt["modelid.zorvnet"] = "M" + std::to_string(random_() % 1000); break;
    default: txt["note"] = std::string(1 + random_() % 200, 'x'); break;  // a long extra value
  }
  std::string error;
  if (!links_[camera->link].sim->SetTxt(camera->host, txt, &error)) {
    Note("txt " + camera->host + ": " + error);
    return;
  }
  ++operations_["txt"];
  Trace("txt", camera->host);
  camera->txt = txt;
}

json SoakDriver::RandomFault(std::string& kind) {
  static const char* const kKinds[] = {"delay_ms",  "no_answer", "refuse",         "malformed",  "oversize",
                                       "http_401",  "exception", "endless_status", "drop_upload"};
  kind = kKinds[random_() % std::size(kKinds)];
  if (kind == "delay_ms") return {{"delay_ms", 100 + random_() % 4000}};
  if (kind == "http_401") return {{"http_status", 401}};
  return {{kind, true}};
}

void SoakDriver::FaultOn() {
  SoakCamera* camera = PickCamera(false);
  if (camera == nullptr) return;
  std::string kind;
  const json fault = RandomFault(kind);
  std::string error;
  if (!links_[camera->link].sim->SetFaults(camera->host, fault, &error)) {
    Note("fault " + camera->host + ": " + error);
    return;
  }
  ++operations_["fault on"];
  Trace("fault " + fault.dump(), camera->host);
  ++faults_[kind];
  camera->faulted = true;
}

void SoakDriver::FaultOff() {
  SoakCamera* camera = PickCamera(true);
  if (camera == nullptr) return;
  std::string error;
  if (!links_[camera->link].sim->SetFaults(camera->host, json::object(), &error)) {
    Note("clear faults " + camera->host + ": " + error);
    return;
  }
  ++operations_["fault off"];
  Trace("fault off", camera->host);
  camera->faulted = false;
}

bool SoakDriver::SetLink(std::size_t link, bool up) {
  const std::string command = Env("NETLAB_RUN") + " " + links_[link].cameraNamespaceName + " ip link set " +
                              links_[link].cameraInterface + (up ? " up" : " down");
  if (std::system(command.c_str()) == 0) return true;
  Note("failed: " + command);
  return false;
}

void SoakDriver::LinkDown() {
  if (holdLinks_ || linksDown_ > 0) return;  // one link at a time, the other keeps working
  std::uniform_int_distribution<std::size_t> pickLink(0, links_.size() - 1);
  const std::size_t link = pickLink(random_);
  if (!SetLink(link, false)) return;
  ++operations_["link down"];
  Trace("link down", links_[link].cameraNamespaceName);
  ++linksDown_;
  std::uniform_int_distribution<int> downMs(2000, 8000);
  linkUpAt_[link] = Clock::now() + std::chrono::milliseconds(downMs(random_));
}

void SoakDriver::LinksDueUp(bool all) {
  for (std::size_t link = 0; link < linkUpAt_.size(); ++link) {
    if (linkUpAt_[link] == Clock::time_point{}) continue;
    if (!all && Clock::now() < linkUpAt_[link]) continue;
    SetLink(link, true);
    ++operations_["link up"];
    Trace("link up", links_[link].cameraNamespaceName);
    linkUpAt_[link] = {};
    --linksDown_;
  }
}
