#include "lab_publisher.h"

#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>
#include <avahi-core/core.h>
#include <avahi-core/log.h>
#include <avahi-core/lookup.h>
#include <avahi-core/publish.h>
#include <avahi-core/rr.h>
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

namespace {

AvahiStringList* ToStringList(const std::vector<std::string>& txt) {
  AvahiStringList* list = nullptr;
  // Avahi keeps the list newest first and puts it on the wire oldest first.
  for (const std::string& entry : txt)
    list = avahi_string_list_add_arbitrary(list, reinterpret_cast<const uint8_t*>(entry.data()), entry.size());
  return list;
}

void ServerState(AvahiServer* server, AvahiServerState state, void* userdata) {
  LabServerState(server, state, userdata);
}

}  // namespace

void LabHostEvent(LabPublisher* self, bool added) {
  self->hostAddresses_ += added ? 1 : -1;
  if (added) ++self->hostAppearances_;
}

namespace {

void HostRecordEvent(AvahiSRecordBrowser*, AvahiIfIndex, AvahiProtocol, AvahiBrowserEvent event, AvahiRecord*,
                     AvahiLookupResultFlags, void* userdata) {
  if (event == AVAHI_BROWSER_NEW || event == AVAHI_BROWSER_REMOVE)
    LabHostEvent(static_cast<LabPublisher*>(userdata), event == AVAHI_BROWSER_NEW);
}

}  // namespace

void LabServerState(AvahiServer*, int state, void* userdata) {
  auto* self = static_cast<LabPublisher*>(userdata);
  if (state == AVAHI_SERVER_RUNNING && !self->runningSeen_.exchange(true)) self->running_.set_value();
}

std::string LabCameraNamespace(int link) {
  const char* name = std::getenv(("NETLAB_CAM" + std::to_string(link)).c_str());
  return name != nullptr ? std::string("/run/netns/") + name : std::string();
}

unsigned LabPcInterfaceIndex(int link) {
  const char* name = std::getenv(("NETLAB_PC" + std::to_string(link) + "_IF").c_str());
  return name != nullptr ? if_nametoindex(name) : 0;
}

LabPublisher::LabPublisher(const std::string& namespacePath, const std::string& hostName) : hostName_(hostName) {
  // The server's poll thread is created by a thread that entered the camera namespace,
  // so every socket of the server lives there.
  std::thread starter([&] { Run(namespacePath); });
  starter.join();
}

void LabPublisher::Run(const std::string& namespacePath) {
  const int ns = open(namespacePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (ns < 0) return;
  const bool entered = setns(ns, CLONE_NEWNET) == 0;
  close(ns);
  if (!entered) return;
  avahi_set_log_function([](AvahiLogLevel, const char*) {});  // the library's chatter is not the test's
  poll_ = avahi_threaded_poll_new();
  AvahiServerConfig config;
  avahi_server_config_init(&config);
  avahi_free(config.host_name);
  config.host_name = avahi_strdup(hostName_.c_str());
  config.use_ipv6 = 0;
  config.publish_workstation = 0;
  config.publish_hinfo = 0;
  config.publish_domain = 0;
  config.disallow_other_stacks = 0;
  auto isRunning = running_.get_future();
  int error = 0;
  avahi_threaded_poll_lock(poll_);
  server_ = avahi_server_new(avahi_threaded_poll_get(poll_), &config, &ServerState, this, &error);
  avahi_threaded_poll_unlock(poll_);
  avahi_server_config_free(&config);
  if (server_ == nullptr || avahi_threaded_poll_start(poll_) < 0) return;
  isRunning.wait_for(std::chrono::seconds(10));
}

LabPublisher::~LabPublisher() {
  if (poll_ == nullptr) return;
  avahi_threaded_poll_stop(poll_);
  if (hostWatch_ != nullptr) avahi_s_record_browser_free(hostWatch_);
  for (auto& [name, service] : services_) avahi_s_entry_group_free(service.group);
  if (server_ != nullptr) avahi_server_free(server_);
  avahi_threaded_poll_free(poll_);
}

bool LabPublisher::Publish(const std::string& name, uint16_t port, const std::vector<std::string>& txt) {
  if (!Ok()) return false;
  avahi_threaded_poll_lock(poll_);
  AvahiSEntryGroup* group = avahi_s_entry_group_new(server_, nullptr, nullptr);
  AvahiStringList* list = ToStringList(txt);
  bool ok = group != nullptr &&
            avahi_server_add_service_strlst(server_, group, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, AvahiPublishFlags(0),
                                            name.c_str(), "_http._tcp", nullptr, nullptr, port, list) == 0 &&
            avahi_s_entry_group_commit(group) == 0;
  avahi_string_list_free(list);
  if (ok)
    services_[name] = {group, port};
  else if (group != nullptr)
    avahi_s_entry_group_free(group);
  avahi_threaded_poll_unlock(poll_);
  return ok;
}

bool LabPublisher::UpdateTxt(const std::string& name, const std::vector<std::string>& txt) {
  const auto it = services_.find(name);
  if (it == services_.end()) return false;
  avahi_threaded_poll_lock(poll_);
  AvahiStringList* list = ToStringList(txt);
  const bool ok = avahi_server_update_service_txt_strlst(server_, it->second.group, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET,
                                                         AvahiPublishFlags(0), name.c_str(), "_http._tcp", nullptr,
                                                         list) == 0;
  avahi_string_list_free(list);
  avahi_threaded_poll_unlock(poll_);
  return ok;
}

bool LabPublisher::WaitEstablished(int seconds) {
  for (int round = 0; round < seconds * 20; ++round) {
    size_t established = 0;
    avahi_threaded_poll_lock(poll_);
    for (const auto& [name, service] : services_)
      established += avahi_s_entry_group_get_state(service.group) == AVAHI_ENTRY_GROUP_ESTABLISHED;
    avahi_threaded_poll_unlock(poll_);
    if (established == services_.size()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

void LabPublisher::Withdraw(const std::string& name) {
  const auto it = services_.find(name);
  if (it == services_.end()) return;
  avahi_threaded_poll_lock(poll_);
  avahi_s_entry_group_free(it->second.group);
  avahi_threaded_poll_unlock(poll_);
  services_.erase(it);
}

bool LabPublisher::WatchHost(const std::string& fqdn) {
  if (!Ok() || hostWatch_ != nullptr) return false;
  avahi_threaded_poll_lock(poll_);
  AvahiKey* key = avahi_key_new(fqdn.c_str(), AVAHI_DNS_CLASS_IN, AVAHI_DNS_TYPE_A);
  if (key != nullptr)
    hostWatch_ = avahi_s_record_browser_new(server_, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, key,
                                            AVAHI_LOOKUP_USE_MULTICAST, &HostRecordEvent, this);
  if (key != nullptr) avahi_key_unref(key);
  avahi_threaded_poll_unlock(poll_);
  return hostWatch_ != nullptr;
}
