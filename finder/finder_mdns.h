#pragma once
// CFindermDNS: the discovery engine as the finder uses it. Only services carrying
// "vendor.zorvnet" are worked on: each change of such a record starts its completion
// (address and route, hardware address, network settings over HTTP, maybe a password
// prompt) on a bounded worker pool, on a copy of the record and without the record lock;
// the outcome is merged into the live record when it still exists, and "Update" is
// posted to the notify target. Removals are posted as "Remove"; resolve activity as
// "mDNSQueriesRunningStateChanged". Record changes arrive as PostedEvent<RecordEvent>,
// the running state as PostedEvent<bool>.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QEvent>

#include "camera/camera_connect.h"
#include "camera/gui_password_prompt.h"
#include "discovery/mdns.h"
#include "finder/completion_times.h"
#include "finder/record_completion_pool.h"
#include "net/neighbour_overflow_watch.h"
#include "platform/event_post_target.h"
#include "platform/gui_request_queue.h"
#include "records/record_event.h"

class CFindermDNS : public CmDNS {
 public:
  // Completions mostly wait for cameras (a silent one for the whole HTTP timeout), so
  // the pool may grow to many workers: 256 cover 2000 cameras with a tenth of them silent
  // within about one timeout. Idle workers end after two seconds.
  static constexpr std::size_t kCompletionWorkers = 256;
  static RecordCompletionPool::Limits DefaultCompletionLimits();

  // camera: how cameras are opened (its Prompt is ignored: prompts go through
  // promptService, when given, so that Close can end them).
  CFindermDNS(const CameraConnectContext& camera, PasswordPromptService* promptService = nullptr);
  CFindermDNS(const CameraConnectContext& camera, RecordCompletionPool::Limits completionLimits,
              PasswordPromptService* promptService = nullptr);
  ~CFindermDNS() override;

  // The receiver of the notifications (the main frame); bound at every BrowseOneDomain.
  void SetNotifyTarget(std::shared_ptr<ravix::EventPostTarget> target);

  void BrowseOneDomain(uint32_t interfaceIndex, const char* type, const char* domain);
  // After BrowseOneDomain: browses the extra domains (normalised, e.g.
  // "cameras.example.net.") and looks for cameras at the added addresses (address
  // texts as ParseAddressBlock takes them) on a thread of its own; what it finds enters
  // the list through AddCamerasFoundByAddress. Unusable address texts are traced and
  // skipped.
  void BrowseBeyondLink(const std::vector<std::string>& domains, const std::vector<std::string>& addresses);
  // Empty, or what the last BrowseBeyondLink left out: addresses beyond
  // kMaxAddressTargets (AddressSearchTargets).
  std::string AddressSearchWarning() const;
  // Whether the address search of BrowseBeyondLink is still running (and not cancelled).
  bool SearchingAddresses() const;

  // Ends pending prompts and completions, then closes the engine (posting "Remove" for
  // every record). A running address search is cancelled without waiting for it: it ends
  // on its own thread (within about one HTTP probe) and enters nothing.
  bool Close();

  bool OnRemove(CBrowseRecord& record, bool moreComing) override;
  bool OnRecordChanged(CBrowseRecord& record, bool moreComing) override;
  void OnQueriesRunningStateChanged(bool running) override;

  // Enters cameras found at added addresses (FindCamerasByAddress) and completes them like
  // any other; a camera listed already stays as it is. A camera found by address whose
  // name another camera has already gets its address added to the name. Returns how many
  // were entered.
  std::size_t AddCamerasFoundByAddress(std::vector<CBrowseRecord> records);

  // Starts the completion of a vendor record (it runs later on the pool).
  void UpdateRecord(CBrowseRecord& record);
  // Writes settings to the camera of record id and merges the outcome into the live
  // record; false when the record is gone or the write failed.
  bool ApplyNetworkSettings(uint32_t id, const NetworkSettings& settings);

  // Waits until no completion is queued or running.
  void WaitForCompletions() { Completions.WaitIdle(); }
  std::size_t PendingCompletions() const { return Completions.Pending(); }
  std::size_t CompletionWorkers() const { return Completions.Workers(); }
  std::size_t PeakCompletionWorkers() const { return Completions.PeakWorkers(); }
  // Where completions spent their time so far.
  const ravix::CompletionTimes& CompletionFigures() const { return times_; }
  // Empty, or why cameras could not be reached: the kernel's neighbour table overflowed
  // while completions ran (traced once when found).
  std::string NeighbourTableWarning() const { return neighbourWatch_.Warning(); }

 protected:
  std::shared_ptr<ravix::EventPostTarget> NotifyWindow;
  QEvent::Type RecordChangedMessage = QEvent::None;
  QEvent::Type QueriesRunningMessage = QEvent::None;

 private:
  void CompleteRecord(uint32_t id);
  // Whether a listed record carries this serial number (never for an empty one).
  bool IsListedSerial(const std::string& serial);
  // Copies the network settings of worked (and mac, when not empty) into the live record
  // of the same ID; false when it is gone.
  bool MergeIntoLiveRecord(const CBrowseRecord& worked, const std::string& mac);
  std::shared_ptr<ravix::EventPostTarget> CurrentTarget();
  void PostRecordEvent(RecordOperation operation, uint32_t id);

  std::shared_ptr<ravix::EventPostTarget> pendingTarget_;
  ravix::GuiRequestCanceller promptCanceller_;
  std::unique_ptr<GuiPasswordPrompt> prompt_;
  CameraConnectContext camera_;
  ravix::CompletionTimes times_;
  ravix::NeighbourOverflowWatch neighbourWatch_;
  RecordCompletionPool Completions;
  struct AddressSearch;
  // Joins the searches that have ended; searchLock_ held.
  void ReapEndedSearches();
  bool SearchingAddressesLocked() const;

  mutable std::mutex searchLock_;  // searches_, and the entry of what a search found
  std::vector<std::unique_ptr<AddressSearch>> searches_;  // the current one last
  std::string addressWarning_;                            // searchLock_
};
