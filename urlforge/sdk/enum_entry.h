#pragma once
// One entry of an enumeration parameter: its text and its integer value.

#include <QString>

namespace ZorvikIPCam {

struct sEnumEntry {
  QString text;
  int value = 0;
};

}  // namespace ZorvikIPCam
