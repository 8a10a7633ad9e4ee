#pragma once
// What the window shows for a method of a parameter: which value control, its text,
// limits and entries, whether the "Value" label stays and whether the method writes
// (and so needs the write check). Decided from a ParameterSnapshot alone, without a
// widget or a camera. Also the methods a parameter type offers, by name.

#include <QString>
#include <QStringList>
#include <vector>

#include "urlforge/sdk/ip_cam_types.h"
#include "urlforge/window/parameter_snapshot.h"

namespace ravix {

// The value controls share one place; at most one shows (the number edit with its arrows).
enum class ValueControl { kNone, kEdit, kNumberEdit, kChoice, kList, kCheck };

struct MethodView {
  ValueControl control = ValueControl::kNone;
  bool editable = false;     // kEdit, kNumberEdit
  QString text;              // kEdit, kNumberEdit: the value; kChoice: the edit text
  QStringList items;         // kChoice: the entries to choose; kList: the entry texts
  bool checked = false;      // kCheck
  int min = 0;               // kNumberEdit: the arrows' range and step
  int max = 0;
  int step = 1;
  bool valueLabel = true;    // the "Value" label stays shown
  bool writes = false;       // Execute writes: the write check decides whether it may
};

MethodView ViewOfMethod(const ParameterSnapshot& parameter, ZorvikIPCam::eFunction method);

// The methods a parameter type offers, "IsEnabled" and "IsReadonly" included.
std::vector<ZorvikIPCam::eFunction> MethodsOf(ZorvikIPCam::eParameterType type);
// The method's name in the parameter interface ("SetValue", ...); empty for unknown.
QString MethodName(ZorvikIPCam::eFunction method);
// Set methods send a value with their action.
bool IsSetMethod(ZorvikIPCam::eFunction method);

}  // namespace ravix
