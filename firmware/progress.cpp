#include "firmware/progress.h"

namespace {
constexpr int kFirmwareProgressMessageHint = 0x8FCF;
}

QEvent::Type FirmwareProgressMessage() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType(kFirmwareProgressMessageHint));
  return type;
}
