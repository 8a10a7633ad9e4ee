#pragma once
// RecordStoreHost: a camera view host over records kept in a map, behind a real camera
// store as the document has one: the store reads the map (reads counted), and every
// view's model that follows the store gets Put and Drop. Its frame actions are real
// QActions whose triggers are counted.

#include <QAction>
#include <QList>
#include <QObject>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/models/camera_store.h"
#include "gui/widgets/camera_view_host.h"
#include "net/ipv4_text.h"
#include "net/network_tools.h"
#include "platform/app_profile.h"
#include "finder/settings_block.h"

class RecordStoreHost : public CameraViewHost {
 public:
  RecordStoreHost(const QString& profileFile, std::vector<AdapterEntry> adapters)
      : profile_(profileFile), tools_(std::move(adapters)), store_(StoreSource()) {
    open_ = new QAction(QStringLiteral("&Open In Browser"), &actionOwner_);
    copy_ = new QAction(QStringLiteral("&Copy URL"), &actionOwner_);
    settings_ = new QAction(QStringLiteral("IP &Settings"), &actionOwner_);
    linkLocal_ = new QAction(QStringLiteral("Give Adapter a &Link-Local Address"), &actionOwner_);
    QObject::connect(open_, &QAction::triggered, [this] { ++openCount; });
  }

  CameraStore& Store() override { return store_; }
  const CNetworkTools& NetworkTools() const override { return tools_; }
  const SettingsBlock& Settings() const override { return settingsBlock; }
  bool ClipboardMode() const override { return clipboardMode; }
  ravix::AppProfile& Profile() override { return profile_; }
  QList<QAction*> CameraContextActions() const override { return {open_, copy_, nullptr, settings_}; }
  QAction* OpenInBrowserAction() const override { return open_; }
  // As the frame: a menu for adapters without IPv4 address only.
  QList<QAction*> AdapterContextActions(uint32_t ifIndex) const override {
    for (const AdapterEntry& bare : tools_.AdaptersWithoutIPv4())
      if (bare.IfIndex == ifIndex) return {linkLocal_};
    return {};
  }
  QAction* LinkLocalAction() const { return linkLocal_; }

  // Stores the record (a copy) and tells every view.
  void Put(const CBrowseRecord& record) {
    records[record.ID] = record;
    Notify({RecordOperation::Update, record.ID});
  }
  void Drop(uint32_t id) {
    records.erase(id);
    Notify({RecordOperation::Remove, id});
  }
  // As the engine does: the notification goes to the store.
  void Notify(const RecordEvent& event) {
    ++notifications;
    store_.Apply(event);
  }

  std::map<uint32_t, CBrowseRecord> records;
  SettingsBlock settingsBlock;
  bool clipboardMode = false;
  int notifications = 0;  // Notify calls
  int recordReads = 0;    // records the store read
  int openCount = 0;

 private:
  CameraStore::Source StoreSource() {
    CameraStore::Source source;
    source.record = [this](uint32_t id, CBrowseRecord& record) {
      ++recordReads;
      const auto found = records.find(id);
      if (found == records.end()) return false;
      record = found->second;
      return true;
    };
    source.ids = [this] {
      std::vector<uint32_t> ids;
      for (const auto& entry : records) ids.push_back(entry.first);
      return ids;
    };
    return source;
  }

  ravix::AppProfile profile_;
  CNetworkTools tools_;
  CameraStore store_;
  QObject actionOwner_;
  QAction* open_;
  QAction* copy_;
  QAction* settings_;
  QAction* linkLocal_;
};

// A camera record of the maker (vendor key set) found on interface ifIndex.
inline CBrowseRecord MakeCamera(uint32_t id, const std::string& name, const std::string& model, uint32_t ifIndex = 2) {
  CBrowseRecord record;
  record.ID = id;
  record.ServiceName = name;
  record.ServiceType = "_http._tcp.";
  record.SetDomain("local.");
  record.SetHostTarget((name + ".local.").c_str());
  record.InterfaceIndex = ifIndex;
  record.Port = 80;
  record.DiscoveredTime = 1700000000 + id;
  record.AddTxtValue(txtkey::kVendor, "Zorvik");
  if (!model.empty()) record.AddTxtValue(txtkey::kModel, model.c_str());
  return record;
}

// An adapter entry named name with the given (address, mask) pairs in dotted text.
inline AdapterEntry MakeAdapter(uint32_t ifIndex, const char* name,
                                const std::vector<std::pair<const char*, const char*>>& addresses) {
  AdapterEntry adapter;
  adapter.IfIndex = ifIndex;
  std::snprintf(adapter.Name, sizeof adapter.Name, "%s", name);
  for (const auto& [address, mask] : addresses) {
    if (adapter.AddressCount == AdapterEntry::kMaxAddresses) break;
    ravix::ParseIPv4(address, adapter.Addresses[adapter.AddressCount]);
    ravix::ParseIPv4(mask, adapter.Masks[adapter.AddressCount]);
    ++adapter.AddressCount;
  }
  return adapter;
}
