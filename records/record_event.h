#pragma once
// What the discovery engine tells the windows about one record: the operation and the
// record's ID. The receiver fetches a copy of the record by ID when it needs its content.

#include <cstdint>

enum class RecordOperation : int { Update = 1, Remove = 2, ClearAll = 3 };

struct RecordEvent {
  RecordOperation Operation = RecordOperation::Update;
  uint32_t RecordID = 0;  // 0 for ClearAll
};
