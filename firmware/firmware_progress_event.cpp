#include "firmware/firmware_progress_event.h"

namespace {
constexpr int kFirmwareProgressMessageHint = 0x8FCF;
}

int FirmwareProgressMessage() {
  static const int type = QEvent::registerEventType(kFirmwareProgressMessageHint);
  return type;
}

CFirmwareProgressEvent::CFirmwareProgressEvent(int type, int stepCode, int percent, int index)
    : QEvent(static_cast<QEvent::Type>(type)),
      m_wParam((static_cast<unsigned>(stepCode) & 0xFFFFu) | ((static_cast<unsigned>(percent) & 0xFFFFu) << 16)),
      m_lParam(index) {}
