#pragma once
// CmDNS: browses one DNS-SD service type in one domain, resolves every service found,
// keeps one CBrowseRecord per service and reports additions, removals and changes through
// virtual operations. One events thread waits on the descriptors of all running DNS-SD
// operations and runs every reply callback with RecordLock held. Readers (GetRecord,
// GetRecordIDs) never take RecordLock: each change of a record publishes a copy of it
// under a lock of the readers' own, held only to swap a pointer, so a reader waits for
// neither a reply nor a burst.

#include <boost/thread/recursive_mutex.hpp>
#include <boost/thread/thread.hpp>

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "records/browse_record.h"
#include "discovery/dnssd.h"

class CmDNS {
 public:
  CmDNS();
  virtual ~CmDNS();
  CmDNS(const CmDNS&) = delete;
  CmDNS& operator=(const CmDNS&) = delete;

  // A new record entered the list (copy of its content); starts its resolve.
  virtual bool OnAdd(const CBrowseRecord& record, bool moreComing);
  // The live record is about to be removed; ends its resolve.
  virtual bool OnRemove(CBrowseRecord& record, bool moreComing);
  // A resolve reply changed the live record.
  virtual bool OnRecordChanged(CBrowseRecord& record, bool moreComing);
  // Resolve activity started (true) or ended (false).
  virtual void OnQueriesRunningStateChanged(bool running);

  void BrowseOneDomain(uint32_t interfaceIndex, const char* type, const char* domain);
  // Browses one more domain beside the one of BrowseOneDomain (called after it): its
  // services enter the same list, each keeping its domain. False when it did not start.
  bool BrowseExtraDomain(uint32_t interfaceIndex, const char* type, const char* domain);
  // Enters a record found another way than by browsing (a direct query or probe of one
  // address) and reports it as changed; no resolve is started for it. Returns its new ID,
  // or 0 when the same service is listed already.
  uint32_t AddFoundRecord(CBrowseRecord record);
  bool ResolveService(const CBrowseRecord& record);
  bool Close();
  bool GetRecord(uint32_t id, CBrowseRecord& record);
  size_t GetRecordIDs(std::vector<uint32_t>& ids);

  bool AddServiceRef(uint32_t key, DNSServiceRef ref);
  bool ReleaseServiceRef(uint32_t key);
  void UpdateQueriesRunning(bool started);
  void StartEventsThread();

  static void BrowseReply(DNSServiceRef ref, DNSServiceFlags flags, uint32_t interfaceIndex,
                          DNSServiceErrorType errorCode, const char* serviceName, const char* regtype,
                          const char* replyDomain, void* context);
  static void ResolveReply(DNSServiceRef ref, DNSServiceFlags flags, uint32_t interfaceIndex,
                           DNSServiceErrorType errorCode, const char* fullname, const char* hosttarget,
                           uint16_t port, uint16_t txtLen, const unsigned char* txtRecord, void* context);

  void HandleEventsThreadHandler();

  // Replies one operation may deliver per wait cycle before the others get their turn.
  static constexpr int kRepliesPerCycle = 64;

 protected:
  int32_t QueriesRunning = 0;
  std::map<uint32_t, DNSServiceRef> ServiceRefs;
  std::list<CBrowseRecord> Records;
  std::unique_ptr<boost::thread> EventsThread;
  boost::recursive_mutex RecordLock;
  // eventfd the events thread waits on beside the operations; -1 when none.
  int StopSocket = -1;
  // eventfd that makes the events thread take up operations added from another thread
  // (BrowseExtraDomain); -1 when none.
  int WakeSocket = -1;
  // Lets the events thread wait on the operations as they are now. RecordLock held.
  void WakeEventsThread();
  // Close is ending the events thread: no thread is started and no reply is handled
  // until Close has finished, so the stop always reaches the thread that runs.
  bool Stopping = false;

  // Called on the events thread when its wait returned with work, before it takes
  // RecordLock for the replies. Does nothing; tests use it to hold the thread there.
  virtual void OnEventsCycleWoken() {}

  // Makes the present content of a live record what readers get; call with RecordLock
  // held after every change of a record in Records, before the change is announced.
  void PublishRecord(const CBrowseRecord& live);

  // Keys of the browses of extra domains, far above any record ID.
  static constexpr uint32_t kExtraBrowseKeyBase = 0xFFFF0000u;
  uint32_t ExtraBrowses = 0;

  // Last ID given to a record, process-wide.
  static inline std::atomic<uint32_t> LastRecordID{0};

 private:
  using RefList = std::vector<std::pair<uint32_t, DNSServiceRef>>;
  void OnBrowseReply(DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType errorCode,
                     const char* serviceName, const char* regtype, const char* replyDomain);
  void OnResolveReply(DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType errorCode,
                      const char* fullname, const char* hosttarget, uint16_t port, uint16_t txtLen,
                      const unsigned char* txtRecord);
  bool IsCurrent(uint32_t key, DNSServiceRef ref) const;
  // Handles the readable operations of one cycle; false when the thread must end.
  bool ProcessReadable(const RefList& refs, const std::vector<bool>& readable);
  // One reply of an operation under RecordLock: 1 handled, 0 nothing to do (the
  // operation ended or has no reply waiting), -1 the thread must end.
  int ProcessOneReply(uint32_t key, DNSServiceRef ref, bool first);
  // DNSServiceResolve for the record, traced.
  DNSServiceErrorType CallResolve(const CBrowseRecord& record, DNSServiceRef* ref);
  // Keeps a started resolve under the record's ID; false (and the resolve ended) when one
  // runs already. RecordLock held.
  bool KeepResolve(uint32_t id, DNSServiceRef ref);
  // Starts the resolves asked for while the last reply was handled, without RecordLock.
  void StartDeferredResolves();

  // While a reply is handled, ResolveService only notes the record: a responder can make
  // the start of a resolve wait (the embedded one for its poll lock), and no reader should
  // wait for that. RecordLock guards both.
  bool HandlingReply = false;
  std::vector<CBrowseRecord> DeferredResolves;

  // Readers stop seeing a record (before its removal is announced). RecordLock held.
  void UnpublishRecord(uint32_t id);
  void UnpublishAll();
  // What readers get: the copy of each record made when it last changed, and the IDs in
  // the order of Records. Guarded by PublishedLock alone, which is never held while a
  // record is copied or freed.
  mutable std::mutex PublishedLock;
  std::vector<uint32_t> PublishedOrder;
  std::unordered_map<uint32_t, std::shared_ptr<const CBrowseRecord>> Published;
};
