#include "tools/camsim/simulator.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <bit>
#include <cstdio>

#include "tools/camsim/interface_address.h"

namespace camsim {

namespace {

struct IfAddrs {
  ifaddrs* list = nullptr;
  IfAddrs() {
    if (getifaddrs(&list) != 0) list = nullptr;
  }
  ~IfAddrs() {
    if (list != nullptr) freeifaddrs(list);
  }
  IfAddrs(const IfAddrs&) = delete;
  IfAddrs& operator=(const IfAddrs&) = delete;
};

}  // namespace

Simulator::Simulator(SimulatorOptions options) : options_(std::move(options)) {
  if (!options_.catalogue) {
    options_.catalogue = std::shared_ptr<const ParameterCatalogue>(&ParameterCatalogue::Default(),
                                                                   [](const ParameterCatalogue*) {});
  }
  for (const std::string& address : options_.addressPool) pool_.push_back({address, 0});
  if (!pool_.empty()) return;
  IfAddrs addrs;
  for (ifaddrs* a = addrs.list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || (a->ifa_flags & IFF_LOOPBACK) != 0) continue;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text);
    const uint32_t mask = a->ifa_netmask != nullptr
                              ? ntohl(reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr)
                              : 0xFFFFFF00u;
    pool_.push_back({text, std::popcount(mask)});
  }
}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start(const SimulationConfig& config, std::string& error) {
  if (!mover_.joinable()) mover_ = std::thread([this] { MoveLoop(); });
  std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
  if (!options_.logPath.empty() && !log_.Open(options_.logPath, error)) return false;
  if (options_.mdns) {
    mdns_ = std::make_unique<MdnsPublisher>();
    if (!mdns_->Start(error)) return false;
  }
  // Publish everything first so that the devices probe their names in parallel.
  for (const CameraConfig& camera : config.cameras) {
    if (!AddDevice(camera, error)) return false;
  }
  for (const auto& device : devices_) {
    if (!WaitPublished(*device, error)) return false;
  }
  return true;
}

void Simulator::Stop() {
  {
    std::lock_guard<std::mutex> lock(moveMutex_);
    stopMoving_ = true;
  }
  moveWake_.notify_all();
  if (mover_.joinable()) mover_.join();
  std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
  for (auto& device : devices_) {
    if (device->server) device->server->Stop();
  }
  devices_.clear();
  if (mdns_) mdns_->Stop();
  mdns_.reset();
}

bool Simulator::AssignAddress(CameraConfig& config, std::string& error) {
  const auto inUse = [&](const std::string& address) {
    return std::any_of(devices_.begin(), devices_.end(),
                       [&](const auto& d) { return d->config.isCamera && d->config.address == address; });
  };
  if (!config.address.empty()) {
    for (const PoolAddress& a : pool_) {
      if (a.address == config.address && config.prefix == 0) config.prefix = a.prefix;
    }
    return true;
  }
  for (const PoolAddress& a : pool_) {
    if (inUse(a.address)) continue;
    config.address = a.address;
    if (config.prefix == 0) config.prefix = a.prefix;
    return true;
  }
  if (!config.isCamera && !pool_.empty()) {  // another service may share an address
    config.address = pool_.front().address;
    return true;
  }
  error = "no free address for \"" + (config.name.empty() ? config.host : config.name) + "\" (" +
          std::to_string(pool_.size()) + " addresses, all in use)";
  return false;
}

bool Simulator::Add(CameraConfig config, std::string& id, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
  if (!AddDevice(std::move(config), error)) return false;
  Device& device = *devices_.back();
  if (!WaitPublished(device, error)) {
    devices_.pop_back();
    return false;
  }
  id = device.config.host;
  return true;
}

bool Simulator::WaitPublished(Device& device, std::string& error) {
  if (!mdns_) return true;
  if (!mdns_->WaitEstablished(device.mdnsId, options_.publishTimeoutMs, error)) {
    mdns_->Withdraw(device.mdnsId);
    device.mdnsId = 0;
    return false;
  }
  return true;
}

bool Simulator::AddDevice(CameraConfig config, std::string& error) {
  if (!AssignAddress(config, error)) return false;
  if (config.port == 0) config.port = options_.defaultPort;
  CompleteCamera(config, ++added_);
  for (const auto& d : devices_) {
    if (d->config.host == config.host) {
      error = "host name \"" + config.host + "\" is taken";
      return false;
    }
    if (d->config.name == config.name) {
      error = "service name \"" + config.name + "\" is taken";
      return false;
    }
    if (config.isCamera && d->config.isCamera && d->config.address == config.address && d->config.port == config.port) {
      error = "address " + config.address + ":" + std::to_string(config.port) + " is taken";
      return false;
    }
  }
  auto device = std::make_unique<Device>();
  device->config = config;
  if (config.isCamera) {
    device->camera = SimulatedCamera::Create(config, options_.catalogue, error);
    if (!device->camera) return false;
    device->server = std::make_unique<CameraHttpServer>(device->camera, config.address, config.port, log_);
    if (!device->server->Start(error)) {
      error = "camera \"" + config.name + "\": " + error;
      return false;
    }
  }
  if (mdns_) {
    device->mdnsId = mdns_->Publish({config.name, config.host, config.address, config.port, config.txt});
    if (device->camera) {
      // Runs on a connection thread: touches only the publisher, which locks itself.
      std::weak_ptr<SimulatedCamera> camera = device->camera;
      device->camera->SetTxtListener([this, camera, mdnsId = device->mdnsId] {
        std::string ignored;
        if (auto c = camera.lock()) mdns_->UpdateTxt(mdnsId, c->Txt(), ignored);
      });
    }
  }
  if (device->camera) {
    std::weak_ptr<SimulatedCamera> camera = device->camera;
    device->camera->SetAddressListener([this, camera](const std::string& address, int prefix) {
      if (auto c = camera.lock()) ScheduleMove(c, address, prefix);
    });
  }
  devices_.push_back(std::move(device));
  return true;
}

Simulator::Device* Simulator::Find(const std::string& id) {
  std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
  for (auto& d : devices_) {
    if (d->config.host == id || d->config.address == id || d->config.name == id) return d.get();
  }
  return nullptr;
}

SimulatedCamera* Simulator::FindCamera(const std::string& id) {
  Device* d = Find(id);
  return d != nullptr ? d->camera.get() : nullptr;
}

bool Simulator::Remove(const std::string& id, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
  const auto it = std::find_if(devices_.begin(), devices_.end(), [&](const auto& d) {
    return d->config.host == id || d->config.address == id || d->config.name == id;
  });
  if (it == devices_.end()) {
    error = "no device \"" + id + "\"";
    return false;
  }
  if (mdns_ && (*it)->mdnsId != 0) mdns_->Withdraw((*it)->mdnsId);
  if ((*it)->server) (*it)->server->Stop();
  devices_.erase(it);
  return true;
}

bool Simulator::SetTxt(const std::string& id, const TxtRecord& txt, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
  Device* d = Find(id);
  if (d == nullptr) {
    error = "no device \"" + id + "\"";
    return false;
  }
  d->config.txt = txt;
  if (d->camera) d->camera->SetTxt(txt);
  return !mdns_ || mdns_->UpdateTxt(d->mdnsId, txt, error);
}

bool Simulator::SetFaults(const std::string& id, const FaultSettings& faults, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
  Device* d = Find(id);
  if (d == nullptr || !d->camera) {
    error = "no camera \"" + id + "\"";
    return false;
  }
  d->camera->SetFaults(faults);
  d->config.faults = faults;
  return d->server->FaultsChanged(error);
}

nlohmann::json Simulator::List() const {
  std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
  nlohmann::json list = nlohmann::json::array();
  for (const auto& d : devices_) {
    nlohmann::json item = {{"name", d->config.name},       {"host", d->config.host},
                           {"address", d->config.address}, {"port", d->config.port},
                           {"camera", d->config.isCamera}, {"login", d->config.login.has_value()}};
    nlohmann::json txt = nlohmann::json::object();
    for (const auto& [key, value] : d->camera ? d->camera->Txt() : d->config.txt) txt[key] = value;
    item["txt"] = txt;
    if (d->camera) item["faults"] = FaultSettingsToJson(d->camera->Faults());
    list.push_back(item);
  }
  return list;
}

void Simulator::ScheduleMove(const std::shared_ptr<SimulatedCamera>& camera, const std::string& address, int prefix) {
  {
    std::lock_guard<std::mutex> lock(moveMutex_);
    moves_.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.restartMs), camera, address,
                      prefix});
  }
  moveWake_.notify_all();
}

void Simulator::MoveLoop() {
  std::unique_lock<std::mutex> lock(moveMutex_);
  while (!stopMoving_) {
    if (moves_.empty()) {
      moveWake_.wait(lock);
      continue;
    }
    if (std::chrono::steady_clock::now() < moves_.front().due) {
      moveWake_.wait_until(lock, moves_.front().due);
      continue;
    }
    const PendingMove move = moves_.front();
    moves_.pop_front();
    lock.unlock();
    Move(move);
    lock.lock();
  }
}

namespace {

// The TXT record of a camera now at address: its configured address is the new one; a
// zeroconf address it had at oldAddress is gone with it.
TxtRecord MovedTxt(TxtRecord txt, const std::string& oldAddress, const std::string& address) {
  bool hasNet = false;
  for (auto& [key, value] : txt) {
    if (key == "ipv4-net.zorvnet") {
      value = address;
      hasNet = true;
    }
  }
  std::erase_if(txt, [&](const auto& kv) { return kv.first == "ipv4-zc.zorvnet" && kv.second == oldAddress; });
  if (!hasNet) txt.emplace_back("ipv4-net.zorvnet", address);
  return txt;
}

}  // namespace

void Simulator::Move(const PendingMove& move) {
  const std::shared_ptr<SimulatedCamera> camera = move.camera.lock();
  if (!camera) return;
  const auto owner = [&] {
    return std::find_if(devices_.begin(), devices_.end(), [&](const auto& d) { return d->camera == camera; });
  };
  std::string oldAddress, name;
  uint16_t port = 0;
  int oldPrefix = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
    const auto it = owner();
    if (it == devices_.end() || (*it)->config.address == move.address) return;
    const Device& d = **it;
    const bool taken = std::any_of(devices_.begin(), devices_.end(), [&](const auto& other) {
      return other.get() != &d && other->config.isCamera && other->config.address == move.address &&
             other->config.port == d.config.port;
    });
    if (taken) {
      std::fprintf(stderr, "ravix-camsim: %s stays at %s: %s is taken by another camera\n", d.config.name.c_str(),
                   d.config.address.c_str(), move.address.c_str());
      return;
    }
    oldAddress = d.config.address;
    name = d.config.name;
    port = d.config.port;
    oldPrefix = d.config.prefix;
  }
  const int prefix = move.prefix >= 1 && move.prefix <= 32 ? move.prefix : oldPrefix;
  const unsigned ifIndex = InterfaceOfAddress(oldAddress);
  std::string error = "no interface holds " + oldAddress;
  if (ifIndex == 0 || !AddInterfaceAddress(ifIndex, move.address, prefix, error)) {
    std::fprintf(stderr, "ravix-camsim: %s stays at %s: %s\n", name.c_str(), oldAddress.c_str(), error.c_str());
    return;
  }
  auto server = std::make_unique<CameraHttpServer>(camera, move.address, port, log_);
  if (!server->Start(error)) {
    std::fprintf(stderr, "ravix-camsim: %s cannot serve at %s: %s\n", name.c_str(), move.address.c_str(), error.c_str());
    RemoveInterfaceAddress(ifIndex, move.address, prefix, error);
    return;
  }
  std::unique_ptr<CameraHttpServer> old;
  bool oldStillUsed = false;
  {
    std::lock_guard<std::recursive_mutex> lock(devicesMutex_);
    const auto it = owner();
    if (it == devices_.end()) {  // removed meanwhile
      server->Stop();
      RemoveInterfaceAddress(ifIndex, move.address, prefix, error);
      return;
    }
    Device& d = **it;
    old = std::move(d.server);
    d.server = std::move(server);
    d.config.address = move.address;
    d.config.prefix = prefix;
    // After its restart the camera also announces the host name it was given.
    const std::string host = camera->GetParameter("Network.HostName").value_or("");
    const bool hostFree = std::none_of(devices_.begin(), devices_.end(),
                                       [&](const auto& other) { return other->config.host == host; });
    if (!host.empty() && hostFree) d.config.host = host;
    d.config.txt = MovedTxt(camera->Txt(), oldAddress, move.address);
    camera->SetTxt(d.config.txt);
    if (mdns_) {
      if (d.mdnsId != 0) mdns_->Withdraw(d.mdnsId);
      d.mdnsId = mdns_->Publish({d.config.name, d.config.host, d.config.address, d.config.port, d.config.txt});
      std::weak_ptr<SimulatedCamera> weak = camera;
      camera->SetTxtListener([this, weak, mdnsId = d.mdnsId] {
        std::string ignored;
        if (auto c = weak.lock()) mdns_->UpdateTxt(mdnsId, c->Txt(), ignored);
      });
    }
    oldStillUsed = std::any_of(devices_.begin(), devices_.end(),
                               [&](const auto& other) { return other->config.address == oldAddress; });
  }
  if (old) old->Stop();
  if (!oldStillUsed && !RemoveInterfaceAddress(ifIndex, oldAddress, oldPrefix, error))
    std::fprintf(stderr, "ravix-camsim: %s left %s on its interface: %s\n", name.c_str(), oldAddress.c_str(), error.c_str());
}

}  // namespace camsim
