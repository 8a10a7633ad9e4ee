#include "tools/camsim/simulator.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <bit>

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
  devices_.push_back(std::move(device));
  return true;
}

Simulator::Device* Simulator::Find(const std::string& id) {
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

}  // namespace camsim
