#pragma once
// CameraStore: the window's end of the discovery engine's record notifications. The
// engine posts them to the store's target from its threads; on the GUI thread the store
// fetches the record once per notification and tells whoever follows it (the item
// models, the document, the frame) by signal: a record came or changed (with its copy),
// went, or all went. It also passes on the engine's "queries running" state. A model
// that starts to follow the store fills itself from Records().

#include <QEvent>
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "records/browse_record.h"
#include "records/record_event.h"

namespace ravix {
class EventPostTarget;
}

class CameraStore : public QObject {
  Q_OBJECT

 public:
  // Where the records come from (the engine, or a test's own records).
  struct Source {
    std::function<bool(uint32_t id, CBrowseRecord& record)> record;  // a copy; false: no such record
    std::function<std::vector<uint32_t>()> ids;                      // every record, in list order
  };

  explicit CameraStore(Source source, QObject* parent = nullptr);
  ~CameraStore() override;

  // The target the engine posts its notifications to (SetNotifyTarget).
  std::shared_ptr<ravix::EventPostTarget> NotifyTarget() const { return target_; }

  // One record notification: Update fetches the record (nothing follows when the engine
  // no longer has it: its Remove is on the way), Remove and ClearAll pass on. An unknown
  // operation is logged and ignored.
  void Apply(const RecordEvent& event);
  // Every record has gone (a Refresh empties discovery).
  void Clear() { Apply(RecordEvent{RecordOperation::ClearAll, 0}); }

  bool GetRecord(uint32_t id, CBrowseRecord& record) const;
  // Every record the engine holds now, in list order.
  std::vector<CBrowseRecord> Records() const;

 signals:
  void RecordUpdated(const CBrowseRecord& record);
  void RecordRemoved(uint32_t id);
  void Cleared();
  void QueriesRunningChanged(bool running);

 protected:
  bool event(QEvent* event) override;

 private:
  Source source_;
  std::shared_ptr<ravix::EventPostTarget> target_;
  QEvent::Type recordChangedType_;
  QEvent::Type queriesRunningType_;
};
