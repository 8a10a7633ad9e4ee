#pragma once
// ParameterSnapshot: what the window shows of a parameter, copied from it after its last
// read (Update) and the user's pending edits: plain values, no camera and no widget.

#include <QString>
#include <vector>

#include "urlforge/sdk/enum_entry.h"
#include "urlforge/sdk/ip_cam_types.h"

namespace ZorvikIPCam {
class CParameter;
}

namespace ravix {

struct ParameterSnapshot {
  ZorvikIPCam::eParameterType type = ZorvikIPCam::eTypeUnknown;
  bool enabled = true;
  ZorvikIPCam::eAccessMode access = ZorvikIPCam::eAccessUnknown;
  // Integer: its value and limits; enumeration: the integer value of its entry.
  int intValue = 0;
  int min = 0;
  int max = 0;
  int inc = 1;
  // String: its value; enumeration: the text of its entry.
  QString text;
  int maxLength = 0;
  std::vector<ZorvikIPCam::sEnumEntry> entries;
  bool done = false;  // command
};

ParameterSnapshot SnapshotOf(const ZorvikIPCam::CParameter& parameter);

}  // namespace ravix
