#include "discovery/mdns.h"

#include <arpa/inet.h>
#include <poll.h>
#include <strings.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <future>
#include <memory>
#include <thread>
#include <unordered_map>

#include "records/txt_record_parser.h"
#include "platform/debug_trace.h"
#include "platform/name_thread.h"

namespace {

using Lock = boost::recursive_mutex::scoped_lock;

constexpr const char* kHandler = "CmDNS::HandleEventsThreadHandler";
constexpr auto kCyclePause = std::chrono::milliseconds(10);
constexpr auto kThreadStartPause = std::chrono::milliseconds(200);

bool Readable(int fd) {
  pollfd one{fd, POLLIN, 0};
  return poll(&one, 1, 0) > 0 && (one.revents & POLLIN) != 0;
}

bool IsLocalDomain(std::string domain) {
  while (!domain.empty() && domain.back() == '.') domain.pop_back();
  return domain.empty() || strcasecmp(domain.c_str(), "local") == 0;
}

// Dotted text of an address in network byte order; empty for none.
std::string DnsAddressText(uint32_t address) {
  if (address == 0) return {};
  char text[INET_ADDRSTRLEN] = "";
  in_addr in{};
  in.s_addr = address;
  if (inet_ntop(AF_INET, &in, text, sizeof text) == nullptr) return {};
  return text;
}

}  // namespace

CmDNS::CmDNS() = default;

CmDNS::~CmDNS() { Close(); }

bool CmDNS::OnAdd(const CBrowseRecord& record, bool) { return ResolveService(record); }

bool CmDNS::OnRemove(CBrowseRecord& record, bool) { return ReleaseServiceRef(record.ID); }

bool CmDNS::OnRecordChanged(CBrowseRecord&, bool) { return true; }

void CmDNS::OnQueriesRunningStateChanged(bool) {}

void CmDNS::BrowseOneDomain(uint32_t interfaceIndex, const char* type, const char* domain) {
  {
    Lock lock(RecordLock);
    if (ServiceRefs.count(0) != 0) {
      // A browse runs already: its records keep their IDs and its resolves their count,
      // so that no second record gets an ID that a live one has.
      DebugTrace("%s: a browse is running already", "CmDNS::BrowseOneDomain");
      return;
    }
    LastRecordID = 0;
    QueriesRunning = 0;
    DNSServiceRef ref = nullptr;
    const DNSServiceErrorType ret =
        DNSServiceBrowse(&ref, 0, interfaceIndex, type, domain, &CmDNS::BrowseReply, this);
    DebugTrace("%s: IF: %u Type: '%s' Domain: '%s' ret: %i", "CmDNS::BrowseOneDomain", interfaceIndex,
               type != nullptr ? type : "", domain != nullptr ? domain : "", ret);
    if (ret != 0) return;
    if (!AddServiceRef(0, ref)) {
      DNSServiceRefDeallocate(ref);
      return;
    }
  }
  StartEventsThread();  // outside the lock: its start pause keeps no reader waiting
}

bool CmDNS::BrowseExtraDomain(uint32_t interfaceIndex, const char* type, const char* domain) {
  {
    Lock lock(RecordLock);
    if (ExtraBrowses >= 0xFFFFu) return false;
    DNSServiceRef ref = nullptr;
    const DNSServiceErrorType ret =
        DNSServiceBrowse(&ref, 0, interfaceIndex, type, domain, &CmDNS::BrowseReply, this);
    DebugTrace("%s: IF: %u Type: '%s' Domain: '%s' ret: %i", "CmDNS::BrowseExtraDomain", interfaceIndex,
               type != nullptr ? type : "", domain != nullptr ? domain : "", ret);
    if (ret != 0) return false;
    if (!AddServiceRef(kExtraBrowseKeyBase + ExtraBrowses++, ref)) {
      DNSServiceRefDeallocate(ref);
      return false;
    }
    WakeEventsThread();  // a running thread waits on the operations it knew so far
  }
  StartEventsThread();
  return true;
}

uint32_t CmDNS::AddFoundRecord(CBrowseRecord record) {
  Lock lock(RecordLock);
  if (Stopping) return 0;
  for (const CBrowseRecord& live : Records)
    if (live.IsSameService(record)) return 0;
  record.ID = ++LastRecordID;
  if (record.DiscoveredTime == 0) record.DiscoveredTime = static_cast<int64_t>(std::time(nullptr));
  DebugTrace("%s: Adding ID: %u (%s) to records", "CmDNS::AddFoundRecord", record.ID, record.GetFullName().c_str());
  Records.push_back(record);
  PublishRecord(Records.back());  // readers see it before it is announced
  OnRecordChanged(Records.back(), false);
  return record.ID;
}

bool CmDNS::ResolveService(const CBrowseRecord& record) {
  Lock lock(RecordLock);
  if (HandlingReply) {
    DeferredResolves.push_back(record);  // started as soon as this reply is done
    return true;
  }
  DNSServiceRef ref = nullptr;
  if (CallResolve(record, &ref) != 0) return false;
  if (!KeepResolve(record.ID, ref)) return false;
  WakeEventsThread();  // a running thread waits on the operations it knew so far
  StartEventsThread();
  return true;
}

DNSServiceErrorType CmDNS::CallResolve(const CBrowseRecord& record, DNSServiceRef* ref) {
  const DNSServiceErrorType ret =
      DNSServiceResolve(ref, 0, record.InterfaceIndex, record.ServiceName.c_str(), record.ServiceType.c_str(),
                        record.Domain.c_str(), &CmDNS::ResolveReply, this);
  DebugTrace("%s: ID: %d  IF: %u Name: '%s' Type: '%ss' Domain: '%s' ret: %i", "CmDNS::ResolveService",
             static_cast<int>(record.ID), record.InterfaceIndex, record.ServiceName.c_str(),
             record.ServiceType.c_str(), record.Domain.c_str(), ret);
  return ret;
}

bool CmDNS::KeepResolve(uint32_t id, DNSServiceRef ref) {
  UpdateQueriesRunning(true);
  if (AddServiceRef(id, ref)) return true;
  DNSServiceRefDeallocate(ref);  // the record's resolve runs already
  UpdateQueriesRunning(false);
  return false;
}

void CmDNS::StartDeferredResolves() {
  std::vector<CBrowseRecord> records;
  {
    Lock lock(RecordLock);
    records.swap(DeferredResolves);
  }
  for (const CBrowseRecord& record : records) {
    DNSServiceRef ref = nullptr;
    if (CallResolve(record, &ref) != 0) continue;
    Lock lock(RecordLock);
    const bool listed = std::any_of(Records.begin(), Records.end(),
                                    [&](const CBrowseRecord& live) { return live.ID == record.ID; });
    if (Stopping || !listed) {
      DNSServiceRefDeallocate(ref);  // Close is under way, or the record went meanwhile
      continue;
    }
    KeepResolve(record.ID, ref);
  }
}

bool CmDNS::Close() {
  std::unique_ptr<boost::thread> thread;
  {
    Lock lock(RecordLock);
    Stopping = true;  // a reply handled meanwhile must not start another thread
    if (EventsThread) {
      DebugTrace("%s: Signaling HandleEvents thread to stop", "CmDNS::Close");
      const uint64_t one = 1;
      [[maybe_unused]] auto written = write(StopSocket, &one, sizeof one);
    }
    thread = std::move(EventsThread);
  }
  if (thread && thread->joinable()) thread->join();
  thread.reset();

  Lock lock(RecordLock);
  if (StopSocket >= 0) close(StopSocket);
  StopSocket = -1;
  if (WakeSocket >= 0) close(WakeSocket);
  WakeSocket = -1;
  const bool moreComing = Records.size() > 1;
  UnpublishAll();
  for (CBrowseRecord& record : Records) OnRemove(record, moreComing);
  Records.clear();
  DeferredResolves.clear();
  ReleaseServiceRef(0);
  for (uint32_t i = 0; i < ExtraBrowses; ++i) ReleaseServiceRef(kExtraBrowseKeyBase + i);
  ExtraBrowses = 0;
  // Normally the resolves were ended by OnRemove; end any an override left running.
  for (auto& [key, ref] : ServiceRefs) DNSServiceRefDeallocate(ref);
  ServiceRefs.clear();
  Stopping = false;
  return true;
}

bool CmDNS::GetRecord(uint32_t id, CBrowseRecord& record) {
  std::shared_ptr<const CBrowseRecord> published;
  {
    const std::lock_guard<std::mutex> lock(PublishedLock);
    const auto it = Published.find(id);
    if (it == Published.end()) return false;
    published = it->second;
  }
  record = *published;  // the copy is made outside the lock; the published one never changes
  return true;
}

size_t CmDNS::GetRecordIDs(std::vector<uint32_t>& ids) {
  const std::lock_guard<std::mutex> lock(PublishedLock);
  ids.insert(ids.end(), PublishedOrder.begin(), PublishedOrder.end());
  return PublishedOrder.size();
}

void CmDNS::PublishRecord(const CBrowseRecord& live) {
  auto copy = std::make_shared<const CBrowseRecord>(live);
  const std::lock_guard<std::mutex> lock(PublishedLock);
  auto& slot = Published[live.ID];
  if (!slot) PublishedOrder.push_back(live.ID);
  slot.swap(copy);  // the copy it replaces is freed after the lock is released
}

void CmDNS::UnpublishRecord(uint32_t id) {
  std::shared_ptr<const CBrowseRecord> gone;
  const std::lock_guard<std::mutex> lock(PublishedLock);
  const auto it = Published.find(id);
  if (it == Published.end()) return;
  gone.swap(it->second);
  Published.erase(it);
  PublishedOrder.erase(std::find(PublishedOrder.begin(), PublishedOrder.end(), id));
}

void CmDNS::UnpublishAll() {
  std::unordered_map<uint32_t, std::shared_ptr<const CBrowseRecord>> gone;
  const std::lock_guard<std::mutex> lock(PublishedLock);
  gone.swap(Published);
  PublishedOrder.clear();
}

bool CmDNS::AddServiceRef(uint32_t key, DNSServiceRef ref) {
  if (ref == nullptr) return false;
  Lock lock(RecordLock);
  return ServiceRefs.emplace(key, ref).second;
}

bool CmDNS::ReleaseServiceRef(uint32_t key) {
  Lock lock(RecordLock);
  const auto it = ServiceRefs.find(key);
  if (it == ServiceRefs.end()) return false;
  DNSServiceRefDeallocate(it->second);
  ServiceRefs.erase(it);
  return true;
}

void CmDNS::UpdateQueriesRunning(bool started) {
  Lock lock(RecordLock);
  const bool before = QueriesRunning > 0;
  if (started)
    ++QueriesRunning;
  else if (QueriesRunning > 0)
    --QueriesRunning;
  const bool after = QueriesRunning > 0;
  if (before != after) OnQueriesRunningStateChanged(after);
}

void CmDNS::WakeEventsThread() {
  if (!EventsThread || WakeSocket < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] auto written = write(WakeSocket, &one, sizeof one);
}

void CmDNS::StartEventsThread() {
  std::shared_ptr<std::promise<void>> started;
  {
    Lock lock(RecordLock);
    if (EventsThread || Stopping) return;
    if (WakeSocket < 0) WakeSocket = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    StopSocket = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (StopSocket < 0) {
      DebugTrace("%s: no stop descriptor, errno %i", "CmDNS::StartEventsThread", errno);
      return;
    }
    started = std::make_shared<std::promise<void>>();
    EventsThread = std::make_unique<boost::thread>([this, started] {
      started->set_value();
      HandleEventsThreadHandler();
    });
  }
  // The caller goes on once the new thread runs (it takes up the operations as they are
  // when it first waits), never longer than the start pause; the record lock is free
  // meanwhile unless the caller itself holds it.
  started->get_future().wait_for(kThreadStartPause);
}

void CmDNS::BrowseReply(DNSServiceRef, DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType errorCode,
                        const char* serviceName, const char* regtype, const char* replyDomain, void* context) {
  static_cast<CmDNS*>(context)->OnBrowseReply(flags, interfaceIndex, errorCode, serviceName, regtype, replyDomain);
}

void CmDNS::ResolveReply(DNSServiceRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                         DNSServiceErrorType errorCode, const char* fullname, const char* hosttarget, uint16_t port,
                         uint16_t txtLen, const unsigned char* txtRecord, void* context) {
  static_cast<CmDNS*>(context)->OnResolveReply(flags, interfaceIndex, errorCode, fullname, hosttarget, port, txtLen,
                                               txtRecord);
}

void CmDNS::OnBrowseReply(DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType errorCode,
                          const char* serviceName, const char* regtype, const char* replyDomain) {
  DebugTrace("%s: '%s.%s%s' IF: %u flags: %u errorcode: %u", "CmDNS::BrowseReply", serviceName ? serviceName : "",
             regtype ? regtype : "", replyDomain ? replyDomain : "", interfaceIndex, flags,
             static_cast<unsigned>(errorCode));
  if (errorCode != 0) return;
  CBrowseRecord record;
  record.InterfaceIndex = interfaceIndex;
  record.ServiceName = serviceName != nullptr ? serviceName : "";
  record.ServiceType = regtype != nullptr ? regtype : "";
  record.SetDomain(replyDomain);
  // A service of a browse domain is contacted at the address DNS gives for its SRV
  // target (filled in by its resolve), never at what its TXT record names.
  if (!IsLocalDomain(record.Domain)) record.ContactSource = CBrowseRecord::AddressSource::Dns;
  const bool moreComing = (flags & kDNSServiceFlagsMoreComing) != 0;

  Lock lock(RecordLock);
  if (flags & kDNSServiceFlagsAdd) {
    record.DiscoveredTime = static_cast<int64_t>(std::time(nullptr));
    for (const CBrowseRecord& live : Records)
      if (live.IsSameService(record)) return;
    record.ID = ++LastRecordID;
    DebugTrace("%s: Adding ID: %u to records", "CmDNS::BrowseReply", record.ID);
    Records.push_back(record);
    PublishRecord(record);
    OnAdd(record, moreComing);
    return;
  }
  for (auto it = Records.begin(); it != Records.end(); ++it) {
    if (!it->IsSameService(record)) continue;
    UnpublishRecord(it->ID);
    OnRemove(*it, moreComing);
    DebugTrace("%s: Removing ID: %u from records", "CmDNS::BrowseReply", it->ID);
    Records.erase(it);
    return;
  }
}

void CmDNS::OnResolveReply(DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType errorCode,
                           const char* fullname, const char* hosttarget, uint16_t port, uint16_t txtLen,
                           const unsigned char* txtRecord) {
  DebugTrace("%s: '%s' HostTarget: '%s' IF: %u flags: %u errorcode: %u txtLen: %u", "CmDNS::ResolveReply",
             fullname ? fullname : "", hosttarget ? hosttarget : "", interfaceIndex, flags,
             static_cast<unsigned>(errorCode), static_cast<unsigned>(txtLen));
  if (errorCode != 0) return;
  Lock lock(RecordLock);
  CBrowseRecord* record = nullptr;
  for (CBrowseRecord& live : Records) {
    if (!live.MatchesFullName(fullname)) continue;
    record = &live;
    break;
  }
  if (record == nullptr) return;
  UpdateQueriesRunning(false);
  bool changed = false;
  const uint32_t hostPort = ntohs(port);
  if (hostPort != record->Port) {
    record->Port = hostPort;
    changed = true;
  }
  const std::string host = hosttarget != nullptr ? hosttarget : "";
  if (host != record->HostTarget) {
    record->SetHostTarget(host.c_str());
    changed = true;
  }
  if (record->ContactSource == CBrowseRecord::AddressSource::Dns) {
    const std::string address = DnsAddressText(DNSServiceReplyAddress());
    if (address != record->ContactAddress) {
      record->ContactAddress = address;
      changed = true;
    }
  }
  CBrowseRecord::TxtMap txt = ParseTxtRecord(record->ID, txtLen, txtRecord);
  if (txt != record->TxtRecord) {
    record->TxtRecord = std::move(txt);
    changed = true;
  }
  if (!changed) return;
  PublishRecord(*record);
  OnRecordChanged(*record, (flags & kDNSServiceFlagsMoreComing) != 0);
}

bool CmDNS::IsCurrent(uint32_t key, DNSServiceRef ref) const {
  const auto it = ServiceRefs.find(key);
  return it != ServiceRefs.end() && it->second == ref;
}

void CmDNS::HandleEventsThreadHandler() {
  NameThread("RavixFinderHandleEventsThread");
  DebugTrace("%s: Thread started", kHandler);
  for (;;) {
    RefList refs;
    std::vector<pollfd> fds;
    std::unordered_map<int, size_t> slotOfFd;
    {
      Lock lock(RecordLock);
      fds.push_back({StopSocket, POLLIN, 0});
      fds.push_back({WakeSocket, POLLIN, 0});  // poll ignores it while it is -1
      refs.assign(ServiceRefs.rbegin(), ServiceRefs.rend());
    }
    // Only this thread ends operations (and Close, after joining it): the copied
    // references stay valid without the lock.
    for (const auto& [key, ref] : refs) {
      const int fd = DNSServiceRefSockFD(ref);
      if (fd < 0 || !slotOfFd.emplace(fd, fds.size()).second) continue;
      fds.push_back({fd, POLLIN, 0});
    }
    const int result = poll(fds.data(), fds.size(), -1);
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) {
      DebugTrace("%s: Exiting due to unknown select result: %i", kHandler, result);
      return;
    }
    if (result > 0) {
      if (fds[0].revents != 0) {
        DebugTrace("%s: Exiting due to stop request", kHandler);
        return;
      }
      if (fds[1].revents != 0) {
        uint64_t count = 0;
        [[maybe_unused]] auto got = read(fds[1].fd, &count, sizeof count);
        if (result == 1) continue;  // only the wake: wait again on the new set
      }
      OnEventsCycleWoken();
      std::vector<bool> readable(refs.size(), false);
      for (size_t i = 0; i < refs.size(); ++i) {
        const auto slot = slotOfFd.find(DNSServiceRefSockFD(refs[i].second));
        readable[i] = slot != slotOfFd.end() && (fds[slot->second].revents & (POLLIN | POLLERR | POLLHUP)) != 0;
      }
      if (!ProcessReadable(refs, readable)) return;
    }
    std::this_thread::sleep_for(kCyclePause);
  }
}

bool CmDNS::ProcessReadable(const RefList& refs, const std::vector<bool>& readable) {
  for (size_t i = 0; i < refs.size(); ++i) {
    if (!readable[i]) continue;
    const auto [key, ref] = refs[i];
    // A busy operation yields after a batch; one ended earlier in this cycle is skipped.
    for (int n = 0; n < kRepliesPerCycle; ++n) {
      const int handled = ProcessOneReply(key, ref, n == 0);
      if (handled < 0) return false;
      if (handled == 0) break;
      StartDeferredResolves();
    }
  }
  return true;
}

int CmDNS::ProcessOneReply(uint32_t key, DNSServiceRef ref, bool first) {
  Lock lock(RecordLock);
  if (Stopping) {
    DebugTrace("%s: Exiting due to stop request", kHandler);
    return -1;
  }
  if (!IsCurrent(key, ref)) return 0;
  if (!first && !Readable(DNSServiceRefSockFD(ref))) return 0;
  HandlingReply = true;
  const DNSServiceErrorType error = DNSServiceProcessResult(ref);
  HandlingReply = false;
  if (error != 0) {
    DebugTrace("%s: Exiting due to DNSServiceProcessResult error: %i", kHandler, error);
    return -1;
  }
  return 1;
}
