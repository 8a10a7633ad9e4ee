#include "gui/models/camera_store.h"

#include <QEvent>

#include <utility>

#include "platform/debug_trace.h"
#include "platform/event_post_target.h"
#include "platform/posted_event.h"
#include "platform/registered_message.h"

CameraStore::CameraStore(Source source, QObject* parent)
    : QObject(parent),
      source_(std::move(source)),
      target_(ravix::EventPostTarget::Make(this)),
      recordChangedType_(ravix::RegisterMessageType(ravix::kRecordChangedMessageName)),
      queriesRunningType_(ravix::RegisterMessageType(ravix::kQueriesRunningMessageName)) {
  setObjectName(QStringLiteral("cameraStore"));
}

CameraStore::~CameraStore() { target_->Detach(); }

bool CameraStore::event(QEvent* event) {
  if (const auto* changed = ravix::PostedEvent<RecordEvent>::From(event, recordChangedType_)) {
    Apply(changed->Value());
    return true;
  }
  if (const auto* running = ravix::PostedEvent<bool>::From(event, queriesRunningType_)) {
    emit QueriesRunningChanged(running->Value());
    return true;
  }
  return QObject::event(event);
}

void CameraStore::Apply(const RecordEvent& event) {
  switch (event.Operation) {
    case RecordOperation::Update: {
      CBrowseRecord record;
      if (GetRecord(event.RecordID, record)) emit RecordUpdated(record);
      return;
    }
    case RecordOperation::Remove:
      emit RecordRemoved(event.RecordID);
      return;
    case RecordOperation::ClearAll:
      emit Cleared();
      return;
  }
  DebugTrace("Unknown operation %i passed to CameraStore::Apply. Operation will be ignored.",
             static_cast<int>(event.Operation));
}

bool CameraStore::GetRecord(uint32_t id, CBrowseRecord& record) const {
  return source_.record && source_.record(id, record);
}

std::vector<CBrowseRecord> CameraStore::Records() const {
  std::vector<CBrowseRecord> records;
  if (!source_.ids) return records;
  for (uint32_t id : source_.ids()) {
    CBrowseRecord record;
    if (GetRecord(id, record)) records.push_back(std::move(record));
  }
  return records;
}
