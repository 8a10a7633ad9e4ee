#include "finder/finder_mdns.h"

#include <boost/thread/lock_guard.hpp>

#include <algorithm>

#include "camera/ip_settings_exchange.h"
#include "finder/address_finder.h"
#include "net/network_tools.h"
#include "platform/debug_trace.h"
#include "platform/registered_message.h"

namespace {
using Lock = boost::lock_guard<boost::recursive_mutex>;
}

// One run of FindCamerasByAddress on a thread of its own, with a copy of the adapter
// table (the engine's may be rebuilt by a Refresh while a cancelled search still ends).
struct CFindermDNS::AddressSearch {
  std::atomic<bool> cancel{false};
  std::atomic<bool> ended{false};
  std::thread thread;
};

RecordCompletionPool::Limits CFindermDNS::DefaultCompletionLimits() { return {kCompletionWorkers}; }

CFindermDNS::CFindermDNS(const CameraConnectContext& camera, PasswordPromptService* promptService)
    : CFindermDNS(camera, DefaultCompletionLimits(), promptService) {}

CFindermDNS::CFindermDNS(const CameraConnectContext& camera, RecordCompletionPool::Limits completionLimits,
                         PasswordPromptService* promptService)
    : prompt_(promptService ? std::make_unique<GuiPasswordPrompt>(*promptService, &promptCanceller_) : nullptr),
      camera_(camera),
      Completions(completionLimits, [this](uint32_t id) { CompleteRecord(id); }) {
  camera_.Prompt = prompt_.get();
}

CFindermDNS::~CFindermDNS() {
  Close();
  std::vector<std::unique_ptr<AddressSearch>> searches;
  {
    std::lock_guard lock(searchLock_);
    searches.swap(searches_);
  }
  for (const auto& search : searches) search->thread.join();  // each ends within about one probe
}

void CFindermDNS::SetNotifyTarget(std::shared_ptr<ravix::EventPostTarget> target) {
  Lock lock(RecordLock);
  pendingTarget_ = std::move(target);
}

void CFindermDNS::BrowseOneDomain(uint32_t interfaceIndex, const char* type, const char* domain) {
  {
    Lock lock(RecordLock);
    RecordChangedMessage = ravix::RegisterMessageType(ravix::kRecordChangedMessageName);
    QueriesRunningMessage = ravix::RegisterMessageType(ravix::kQueriesRunningMessageName);
    NotifyWindow = pendingTarget_;
  }
  promptCanceller_.Reset();
  CmDNS::BrowseOneDomain(interfaceIndex, type, domain);
}

void CFindermDNS::BrowseBeyondLink(const std::vector<std::string>& domains,
                                   const std::vector<std::string>& addresses) {
  if (camera_.Origins != nullptr) camera_.Origins->Add(domains, addresses);  // asked for: trusted with passwords
  for (const std::string& domain : domains) BrowseExtraDomain(0, "_http._tcp", domain.c_str());
  std::string warning;
  std::vector<uint32_t> targets = AddressSearchTargets(addresses, warning);
  std::lock_guard lock(searchLock_);
  addressWarning_ = warning;
  ReapEndedSearches();
  if (targets.empty() || SearchingAddressesLocked()) return;
  auto search = std::make_unique<AddressSearch>();
  auto tools = std::make_shared<const CNetworkTools>(camera_.Tools.Adapters());
  search->thread = std::thread([this, run = search.get(), tools, targets = std::move(targets)] {
    std::vector<CBrowseRecord> found = FindCamerasByAddress(targets, *tools, {}, &run->cancel);
    std::lock_guard lock(searchLock_);  // Close cancels under this lock: nothing enters after it
    if (!run->cancel) AddCamerasFoundByAddress(std::move(found));
    run->ended = true;
  });
  searches_.push_back(std::move(search));
}

std::string CFindermDNS::AddressSearchWarning() const {
  std::lock_guard lock(searchLock_);
  return addressWarning_;
}

bool CFindermDNS::SearchingAddresses() const {
  std::lock_guard lock(searchLock_);
  return SearchingAddressesLocked();
}

bool CFindermDNS::SearchingAddressesLocked() const {
  return !searches_.empty() && !searches_.back()->cancel && !searches_.back()->ended;
}

void CFindermDNS::ReapEndedSearches() {
  for (auto it = searches_.begin(); it != searches_.end();) {
    if (!(*it)->ended) {
      ++it;
      continue;
    }
    (*it)->thread.join();  // it has only to return
    it = searches_.erase(it);
  }
}

bool CFindermDNS::Close() {
  promptCanceller_.Cancel();  // a completion waiting for the user gets Cancel at once
  {
    std::lock_guard lock(searchLock_);
    for (const auto& search : searches_) search->cancel = true;
    ReapEndedSearches();
  }
  const bool closed = CmDNS::Close();
  Completions.Stop();  // what still runs finds its record gone and posts nothing
  return closed;
}

std::shared_ptr<ravix::EventPostTarget> CFindermDNS::CurrentTarget() {
  Lock lock(RecordLock);
  return NotifyWindow;
}

void CFindermDNS::PostRecordEvent(RecordOperation operation, uint32_t id) {
  const auto target = CurrentTarget();
  if (target) target->Post(RecordChangedMessage, RecordEvent{operation, id});  // a failed post is ignored
}

bool CFindermDNS::OnRemove(CBrowseRecord& record, bool) {
  PostRecordEvent(RecordOperation::Remove, record.ID);
  DebugTrace("OnRemove: ID: %d", static_cast<int>(record.ID));
  return ReleaseServiceRef(record.ID);
}

bool CFindermDNS::OnRecordChanged(CBrowseRecord& record, bool) {
  if (!NotifyWindow || RecordChangedMessage == QEvent::None) return true;
  std::string vendor;
  if (!record.GetTxtValue(txtkey::kVendor, vendor)) return true;
  DebugTrace("Resolving hostname '%s' of recID %u", record.HostTarget.c_str(), record.ID);
  UpdateRecord(record);
  return true;
}

void CFindermDNS::OnQueriesRunningStateChanged(bool running) {
  const auto target = CurrentTarget();
  if (target) target->Post(QueriesRunningMessage, running);
}

bool CFindermDNS::IsListedSerial(const std::string& serial) {
  if (serial.empty()) return false;
  Lock lock(RecordLock);
  for (const CBrowseRecord& live : Records)
    if (live.GetTxtValueOrEmpty(txtkey::kSerial) == serial) return true;
  return false;
}

std::size_t CFindermDNS::AddCamerasFoundByAddress(std::vector<CBrowseRecord> records) {
  std::size_t added = 0;
  // Announced services first: a camera that also answered on its parameter interface
  // (at another of its addresses) is then known by its serial number.
  std::stable_partition(records.begin(), records.end(),
                        [](const CBrowseRecord& r) { return r.TxtRecord.count(txtkey::kFoundBy) == 0; });
  for (CBrowseRecord& record : records) {
    const bool probed = record.TxtRecord.count(txtkey::kFoundBy) != 0;
    if (probed && IsListedSerial(record.GetTxtValueOrEmpty(txtkey::kSerial))) continue;  // listed already
    if (AddFoundRecord(record) != 0) {
      ++added;
      continue;
    }
    std::string address;
    if (!record.GetTxtValue(txtkey::kFoundBy, address)) continue;  // the same service is listed
    address = record.GetTxtValueOrEmpty(txtkey::kIpv4Net);
    if (address.empty() || record.ServiceName == address) continue;  // the same address again
    record.ServiceName += " (" + address + ")";
    if (AddFoundRecord(record) != 0) ++added;
  }
  return added;
}

void CFindermDNS::UpdateRecord(CBrowseRecord& record) { Completions.Schedule(record.ID); }

void CFindermDNS::CompleteRecord(uint32_t id) {
  using Phase = ravix::CompletionTimes::Phase;
  CBrowseRecord copy;
  if (!GetRecord(id, copy)) return;
  DebugTrace("Update: ID: %d, %s, %d", static_cast<int>(id), copy.ServiceName.c_str(), 1);
  std::string cameraAddress, localAddress, mac;
  CNetworkTools::CameraPath path = CNetworkTools::CameraPath::None;
  uint32_t routeIfIndex = 0;
  {
    ravix::CompletionTimes::Timer timer(times_, Phase::Address);
    path = camera_.Tools.ResolveCameraPath(copy, cameraAddress, localAddress, routeIfIndex);
  }
  // A routed camera is connected to the adapter of its route; its MAC comes from its TXT
  // record only (ARP reaches the link, not the camera behind the router).
  if (path == CNetworkTools::CameraPath::Routed) copy.InterfaceIndex = routeIfIndex;
  if (path == CNetworkTools::CameraPath::OnLink) {
    ravix::CompletionTimes::Timer timer(times_, Phase::Arp);
    mac = CNetworkTools::GetMacAddress(cameraAddress, localAddress);
  }
  if (path == CNetworkTools::CameraPath::OnLink && mac.empty() && neighbourWatch_.CheckAfterFailedLookup())
    DebugTrace("Neighbour table overflow: %s", neighbourWatch_.Warning().c_str());
  if (!mac.empty())
    DebugTrace("%s adding txtRecord recID=%u key='%s' val='%s'", "CFindermDNS::OnRecordChanged", id,
               txtkey::kMacAddress, mac.c_str());
  {
    ravix::CompletionTimes::Timer timer(times_, Phase::Settings);
    ReadNetworkSettings(camera_, copy);
  }
  DebugTrace("Update: ID: %d complete", static_cast<int>(id));
  if (!MergeIntoLiveRecord(copy, mac)) return;
  PostRecordEvent(RecordOperation::Update, id);
}

bool CFindermDNS::MergeIntoLiveRecord(const CBrowseRecord& worked, const std::string& mac) {
  Lock lock(RecordLock);
  ravix::CompletionTimes::Timer timer(times_, ravix::CompletionTimes::Phase::Merge);  // the lock hold alone
  for (CBrowseRecord& live : Records) {
    if (live.ID != worked.ID) continue;
    if (!mac.empty()) live.AddTxtValue(txtkey::kMacAddress, mac.c_str());  // an advertised value stays
    live.NetworkSettings = worked.NetworkSettings;
    live.NetworkSettingsValid = worked.NetworkSettingsValid;
    live.LoginWithheld = worked.LoginWithheld;
    // A record found without an interface (wide-area DNS-SD) takes the one of its route.
    if (live.InterfaceIndex == 0) live.InterfaceIndex = worked.InterfaceIndex;
    PublishRecord(live);
    return true;
  }
  return false;
}

bool CFindermDNS::ApplyNetworkSettings(uint32_t id, const NetworkSettings& settings) {
  CBrowseRecord copy;
  if (!GetRecord(id, copy)) return false;
  const bool written = WriteNetworkSettings(settings, camera_, copy);  // no lock while the camera works
  MergeIntoLiveRecord(copy, {});  // a record that went meanwhile is read anew by the next refresh
  return written;
}
