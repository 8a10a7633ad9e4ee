#include "tools/camsim/mdns_publisher.h"

#include <avahi-common/address.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>
#include <avahi-common/timeval.h>
#include <avahi-core/core.h>
#include <avahi-core/log.h>
#include <avahi-core/publish.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace camsim {

namespace {

constexpr const char* kServiceType = "_http._tcp";
// A collision right after a link came back is often the device's own earlier probe or
// announcement seen again (its addresses not yet known to the responder); a camera that
// meets one publishes again under the same name a little later, and only gives up after
// a few collisions in a row.
constexpr int kCollisionRetries = 5;
constexpr unsigned kRetryDelayMs = 1000;

// An avahi string list in the TXT record's order (avahi prepends, so build backwards).
struct StringList {
  AvahiStringList* list = nullptr;
  explicit StringList(const TxtRecord& txt) {
    for (auto it = txt.rbegin(); it != txt.rend(); ++it) {
      list = avahi_string_list_add_pair(list, it->first.c_str(), it->second.c_str());
    }
  }
  ~StringList() { avahi_string_list_free(list); }
  StringList(const StringList&) = delete;
  StringList& operator=(const StringList&) = delete;
};

// Holds the threaded poll's lock (not needed on the poll thread itself).
struct PollLock {
  AvahiThreadedPoll* poll;
  explicit PollLock(AvahiThreadedPoll* p) : poll(p) { avahi_threaded_poll_lock(poll); }
  ~PollLock() { avahi_threaded_poll_unlock(poll); }
  PollLock(const PollLock&) = delete;
  PollLock& operator=(const PollLock&) = delete;
};

std::string FullHost(const std::string& host) { return host + ".local"; }

// avahi-core reports every interface it joins; only its warnings and errors are worth
// showing on the simulator's standard error.
void QuietLog(AvahiLogLevel level, const char* text) {
  if (level <= AVAHI_LOG_WARN) std::fprintf(stderr, "ravix-camsim: mDNS: %s\n", text);
}

}  // namespace

MdnsPublisher::~MdnsPublisher() { Stop(); }

bool MdnsPublisher::Start(std::string& error) {
  avahi_set_log_function(QuietLog);
  poll_ = avahi_threaded_poll_new();
  if (poll_ == nullptr) {
    error = "mDNS: cannot create the poll loop";
    return false;
  }
  AvahiServerConfig config;
  avahi_server_config_init(&config);
  const std::string hostName = "ravix-camsim-" + std::to_string(getpid());
  config.host_name = avahi_strdup(hostName.c_str());
  config.use_ipv6 = 0;
  config.publish_hinfo = 0;
  config.publish_addresses = 0;
  config.publish_workstation = 0;
  config.publish_domain = 0;
  config.disallow_other_stacks = 0;
  config.publish_aaaa_on_ipv4 = 0;
  config.publish_a_on_ipv6 = 0;
  int avahiError = 0;
  server_ = avahi_server_new(avahi_threaded_poll_get(poll_), &config,
                             reinterpret_cast<AvahiServerCallback>(&MdnsPublisher::OnServerState), this, &avahiError);
  avahi_server_config_free(&config);
  if (server_ == nullptr) {
    error = std::string("mDNS: cannot start the responder: ") + avahi_strerror(avahiError);
    return false;
  }
  if (avahi_threaded_poll_start(poll_) < 0) {
    error = "mDNS: cannot start the poll thread";
    return false;
  }
  return true;
}

void MdnsPublisher::Stop() {
  if (poll_ == nullptr) return;
  avahi_threaded_poll_stop(poll_);
  entries_.clear();  // the groups go with the server
  if (server_ != nullptr) avahi_server_free(server_);
  server_ = nullptr;
  avahi_threaded_poll_free(poll_);
  poll_ = nullptr;
}

void MdnsPublisher::OnServerState(AvahiServer* server, int state, void* self) {
  auto* publisher = static_cast<MdnsPublisher*>(self);
  if (state == AVAHI_SERVER_RUNNING) {
    publisher->server_ = server;  // the callback may come before avahi_server_new returns
    publisher->running_ = true;
    for (auto& [id, entry] : publisher->entries_) {
      if (entry->group == nullptr) publisher->Register(*entry);
    }
  } else if (state == AVAHI_SERVER_COLLISION) {
    char* alternative = avahi_alternative_host_name(avahi_server_get_host_name(server));
    avahi_server_set_host_name(server, alternative);
    avahi_free(alternative);
  }
}

void MdnsPublisher::OnGroupState(AvahiServer*, AvahiSEntryGroup*, int state, void* data) {
  auto* entry = static_cast<Entry*>(data);
  if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
    entry->collisions = 0;
    entry->owner->SetState(*entry, State::Established, "");
  } else if (state == AVAHI_ENTRY_GROUP_COLLISION && entry->collisions < kCollisionRetries) {
    entry->owner->ScheduleRetry(*entry);
  } else if (state == AVAHI_ENTRY_GROUP_COLLISION) {
    entry->owner->SetState(*entry, State::Failed, "mDNS: name collision for \"" + entry->announcement.name + "\" or " +
                                                      FullHost(entry->announcement.host));
  } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
    entry->owner->SetState(*entry, State::Failed, "mDNS: publishing \"" + entry->announcement.name + "\" failed");
  }
}

void MdnsPublisher::ScheduleRetry(Entry& entry) {
  ++entry.collisions;
  std::fprintf(stderr, "ravix-camsim: mDNS: name collision for \"%s\", publishing it again\n",
               entry.announcement.name.c_str());
  if (entry.retry != nullptr) return;
  timeval when{};
  avahi_elapse_time(&when, kRetryDelayMs, kRetryDelayMs / 2);
  const AvahiPoll* api = avahi_threaded_poll_get(poll_);
  entry.retry = api->timeout_new(api, &when, &MdnsPublisher::OnRetry, &entry);
  if (entry.retry == nullptr) SetState(entry, State::Failed, "mDNS: cannot publish \"" + entry.announcement.name + "\" again");
}

// The group is replaced here, outside its own state callback.
void MdnsPublisher::OnRetry(AvahiTimeout* timeout, void* data) {
  auto* entry = static_cast<Entry*>(data);
  MdnsPublisher* self = entry->owner;
  avahi_threaded_poll_get(self->poll_)->timeout_free(timeout);
  entry->retry = nullptr;
  if (entry->group != nullptr) avahi_s_entry_group_free(entry->group);
  entry->group = nullptr;
  if (self->running_) self->Register(*entry);
}

void MdnsPublisher::SetState(Entry& entry, State state, const std::string& error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    entry.state = state;
    entry.error = error;
  }
  changed_.notify_all();
  if (state == State::Failed) std::fprintf(stderr, "ravix-camsim: %s\n", error.c_str());
}

void MdnsPublisher::Register(Entry& entry) {
  const ServiceAnnouncement& a = entry.announcement;
  entry.group = avahi_s_entry_group_new(server_, reinterpret_cast<AvahiSEntryGroupCallback>(&OnGroupState), &entry);
  AvahiAddress address;
  if (entry.group == nullptr || avahi_address_parse(a.address.c_str(), AVAHI_PROTO_INET, &address) == nullptr) {
    SetState(entry, State::Failed, "mDNS: cannot publish \"" + a.name + "\" at " + a.address);
    return;
  }
  const std::string host = FullHost(a.host);
  StringList txt(a.txt);
  int rc = avahi_server_add_address(server_, entry.group, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, AVAHI_PUBLISH_NO_REVERSE,
                                    host.c_str(), &address);
  if (rc >= 0) {
    rc = avahi_server_add_service_strlst(server_, entry.group, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET,
                                         static_cast<AvahiPublishFlags>(0), a.name.c_str(), kServiceType, nullptr,
                                         host.c_str(), a.port, txt.list);
  }
  if (rc >= 0) rc = avahi_s_entry_group_commit(entry.group);
  if (rc < 0) {
    SetState(entry, State::Failed, "mDNS: cannot publish \"" + a.name + "\": " + avahi_strerror(rc));
    return;
  }
  SetState(entry, State::Registering, "");
}

int MdnsPublisher::Publish(const ServiceAnnouncement& announcement) {
  PollLock lock(poll_);
  const int id = nextId_++;
  auto entry = std::make_unique<Entry>();
  entry->owner = this;
  entry->announcement = announcement;
  Entry& ref = *entry;
  entries_[id] = std::move(entry);
  if (running_) Register(ref);
  return id;
}

bool MdnsPublisher::UpdateTxt(int id, const TxtRecord& txt, std::string& error) {
  PollLock lock(poll_);
  const auto it = entries_.find(id);
  if (it == entries_.end()) {
    error = "not published";
    return false;
  }
  Entry& entry = *it->second;
  entry.announcement.txt = txt;
  if (entry.group == nullptr || entry.retry != nullptr) return true;  // goes out with the registration
  StringList list(txt);
  const int rc = avahi_server_update_service_txt_strlst(server_, entry.group, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET,
                                                        static_cast<AvahiPublishFlags>(0),
                                                        entry.announcement.name.c_str(), kServiceType, nullptr,
                                                        list.list);
  if (rc < 0) {
    error = std::string("mDNS: cannot update the TXT record: ") + avahi_strerror(rc);
    return false;
  }
  return true;
}

void MdnsPublisher::Withdraw(int id) {
  PollLock lock(poll_);
  const auto it = entries_.find(id);
  if (it == entries_.end()) return;
  if (it->second->group != nullptr) avahi_s_entry_group_free(it->second->group);
  if (it->second->retry != nullptr) avahi_threaded_poll_get(poll_)->timeout_free(it->second->retry);
  std::lock_guard<std::mutex> stateLock(mutex_);
  entries_.erase(it);
}

bool MdnsPublisher::WaitEstablished(int id, int timeoutMs, std::string& error) {
  Entry* entry = nullptr;
  {
    PollLock lock(poll_);
    const auto it = entries_.find(id);
    if (it == entries_.end()) {
      error = "not published";
      return false;
    }
    entry = it->second.get();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  const bool settled = changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return entry->state == State::Established || entry->state == State::Failed;
  });
  if (!settled) {
    error = "mDNS: \"" + entry->announcement.name + "\" was not established in time";
    return false;
  }
  if (entry->state == State::Failed) {
    error = entry->error;
    return false;
  }
  return true;
}

}  // namespace camsim
