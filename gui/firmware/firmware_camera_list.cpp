#include "gui/firmware/firmware_camera_list.h"

std::vector<CBrowseRecord> BuildFirmwareCameraList(const std::vector<uint32_t>& selectedIds,
                                                   const RecordCopyGetter& getRecord) {
  std::vector<CBrowseRecord> cameras(selectedIds.size());
  for (std::size_t i = 0; i < selectedIds.size(); ++i) {
    CBrowseRecord copy;
    if (getRecord && getRecord(selectedIds[i], copy)) cameras[i] = std::move(copy);
  }
  return cameras;
}
