#pragma once
// RecordUpdate: one record notification as a camera view gets it: the operation, the
// record's ID and, for Update, the copy of the record that the document fetched once for
// this notification. A view never asks back for the record while it handles the update.

#include <cstdint>
#include <optional>

#include "records/browse_record.h"
#include "records/record_event.h"

struct RecordUpdate {
  RecordOperation Operation = RecordOperation::Update;
  uint32_t RecordID = 0;                // 0 for ClearAll
  std::optional<CBrowseRecord> Record;  // Update: the record; empty when the engine no longer has it

  static RecordUpdate ClearAll() { return {RecordOperation::ClearAll, 0, std::nullopt}; }
  static RecordUpdate Removed(uint32_t id) { return {RecordOperation::Remove, id, std::nullopt}; }
  static RecordUpdate Updated(const CBrowseRecord& record) { return {RecordOperation::Update, record.ID, record}; }
};
