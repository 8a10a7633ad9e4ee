#include "finder/finder_mdns.h"

#include <boost/thread/lock_guard.hpp>

#include "camera/ip_settings_exchange.h"
#include "net/network_tools.h"
#include "platform/debug_trace.h"
#include "platform/registered_message.h"

namespace {
using Lock = boost::lock_guard<boost::recursive_mutex>;
}

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

CFindermDNS::~CFindermDNS() { Close(); }

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

bool CFindermDNS::Close() {
  promptCanceller_.Cancel();  // a completion waiting for the user gets Cancel at once
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

void CFindermDNS::UpdateRecord(CBrowseRecord& record) { Completions.Schedule(record.ID); }

void CFindermDNS::CompleteRecord(uint32_t id) {
  using Phase = ravix::CompletionTimes::Phase;
  CBrowseRecord copy;
  if (!GetRecord(id, copy)) return;
  DebugTrace("Update: ID: %d, %s, %d", static_cast<int>(id), copy.ServiceName.c_str(), 1);
  std::string cameraAddress, localAddress, mac;
  bool addressed = false;
  {
    ravix::CompletionTimes::Timer timer(times_, Phase::Address);
    addressed = camera_.Tools.ResolveCameraAddress(copy, cameraAddress, localAddress);
  }
  if (addressed) {
    ravix::CompletionTimes::Timer timer(times_, Phase::Arp);
    mac = CNetworkTools::GetMacAddress(cameraAddress, localAddress);
  }
  if (addressed && mac.empty() && neighbourWatch_.CheckAfterFailedLookup())
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
