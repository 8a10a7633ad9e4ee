#pragma once
// The text of an SDK result code (eIPCamError).

#include <QString>

namespace ravix {

QString IPCamErrorText(int code);

}  // namespace ravix
