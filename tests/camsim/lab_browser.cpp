#include "tests/camsim/lab_browser.h"

#include <avahi-common/address.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>
#include <avahi-core/core.h>
#include <avahi-core/log.h>
#include <avahi-core/lookup.h>

#include <chrono>

namespace {

void OnResolve(AvahiSServiceResolver*, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event, const char* name,
               const char*, const char*, const char* host, const AvahiAddress* address, uint16_t port,
               AvahiStringList* txt, AvahiLookupResultFlags, void* self) {
  if (event != AVAHI_RESOLVER_FOUND) return;
  BrowsedService service;
  service.host = host != nullptr ? host : "";
  char text[AVAHI_ADDRESS_STR_MAX] = {};
  if (address != nullptr) avahi_address_snprint(text, sizeof text, address);
  service.address = text;
  service.port = port;
  for (AvahiStringList* item = txt; item != nullptr; item = avahi_string_list_get_next(item)) {
    char* key = nullptr;
    char* value = nullptr;
    if (avahi_string_list_get_pair(item, &key, &value, nullptr) == 0) {
      service.txt[key] = value != nullptr ? value : "";
      avahi_free(key);
      avahi_free(value);
    }
  }
  service.resolved = true;
  static_cast<LabBrowser*>(self)->Resolved(name, service);
}

void OnBrowse(AvahiSServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol, AvahiBrowserEvent event,
              const char* name, const char* type, const char* domain, AvahiLookupResultFlags, void* self) {
  auto* browser = static_cast<LabBrowser*>(self);
  if (event == AVAHI_BROWSER_NEW) {
    browser->Found(name);
    // Lives as long as the server; it reports every change of the service.
    avahi_s_service_resolver_new(browser->server, interface, protocol, name, type, domain, AVAHI_PROTO_INET,
                                 static_cast<AvahiLookupFlags>(0), OnResolve, self);
  } else if (event == AVAHI_BROWSER_REMOVE) {
    browser->Removed(name);
  }
}

}  // namespace

LabBrowser::~LabBrowser() {
  if (poll_ != nullptr) avahi_threaded_poll_stop(poll_);
  if (server != nullptr) avahi_server_free(server);
  if (poll_ != nullptr) avahi_threaded_poll_free(poll_);
}

bool LabBrowser::Start(std::string& error) {
  avahi_set_log_function([](AvahiLogLevel, const char*) {});
  poll_ = avahi_threaded_poll_new();
  AvahiServerConfig config;
  avahi_server_config_init(&config);
  config.host_name = avahi_strdup("lab-browser");
  config.use_ipv6 = 0;
  config.publish_hinfo = 0;
  config.publish_addresses = 0;
  config.publish_workstation = 0;
  config.publish_domain = 0;
  config.disable_publishing = 1;
  int rc = 0;
  server = avahi_server_new(avahi_threaded_poll_get(poll_), &config, nullptr, nullptr, &rc);
  avahi_server_config_free(&config);
  if (server == nullptr) {
    error = "avahi server failed";
    return false;
  }
  browser_ = avahi_s_service_browser_new(server, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, "_http._tcp", "local",
                                         static_cast<AvahiLookupFlags>(0), OnBrowse, this);
  if (browser_ == nullptr || avahi_threaded_poll_start(poll_) < 0) {
    error = "avahi browser failed";
    return false;
  }
  return true;
}

void LabBrowser::Found(const std::string& name) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    services_[name].removed = false;
  }
  changed_.notify_all();
}

void LabBrowser::Removed(const std::string& name) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    services_[name].removed = true;
  }
  changed_.notify_all();
}

void LabBrowser::Resolved(const std::string& name, const BrowsedService& service) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool removed = services_[name].removed;
    services_[name] = service;
    services_[name].removed = removed;
  }
  changed_.notify_all();
}

bool LabBrowser::WaitFor(const std::function<bool(const std::map<std::string, BrowsedService>&)>& pred,
                         int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pred(services_); });
}

std::map<std::string, BrowsedService> LabBrowser::Services() {
  std::lock_guard<std::mutex> lock(mutex_);
  return services_;
}
