#pragma once
// Value types of the camera SDK: the operations of a parameter by name, its access mode
// and its type. The numbers are part of the library's interface.

namespace ZorvikIPCam {

// The operations of a parameter, named as in the camera's parameter interface.
enum eFunction {
  eFunctionUnknown = -1,
  eGetValue = 0,
  eGetIntValue = 1,
  eSetValue = 2,
  eSetIntValue = 3,
  eGetMin = 4,
  eGetMax = 5,
  eGetInc = 6,
  eGetMaxLength = 7,
  eGetStringValue = 8,
  eSetStringValue = 9,
  eGetEntries = 10,
  eIsEnabled = 11,
  eIsReadonly = 12,
  eExecute = 13,
  eIsDone = 14,
  eStop = 15,
};

enum eAccessMode {
  eAccessUnknown = 0,  // not read from the camera yet
  eReadOnly = 1,
  eReadWrite = 2,
};

enum eParameterType {
  eTypeUnknown = 0,  // a type the library does not know
  eInteger = 1,
  eString = 2,
  eCommand = 3,
  eEnumeration = 4,
};

}  // namespace ZorvikIPCam
