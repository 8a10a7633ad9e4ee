#pragma once
// The firmware wizard's camera list as the Update Firmware command builds it from the
// selection.

#include <cstdint>
#include <functional>
#include <vector>

#include "records/browse_record.h"

// A copy of the record with this ID; false when it is gone (CameraViewHost::GetRecord).
using RecordCopyGetter = std::function<bool(uint32_t id, CBrowseRecord& record)>;

// One record copy per selected ID, in selection order. The list is not filtered: a record
// that has gone meanwhile leaves an empty record in its slot (its update then fails), and
// unreachable or other devices selected with a camera are passed on too.
std::vector<CBrowseRecord> BuildFirmwareCameraList(const std::vector<uint32_t>& selectedIds,
                                                   const RecordCopyGetter& getRecord);
