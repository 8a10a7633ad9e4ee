#include "urlforge/window/parameter_snapshot.h"

#include "urlforge/sdk/command_parameter.h"
#include "urlforge/sdk/enumeration_parameter.h"
#include "urlforge/sdk/integer_parameter.h"
#include "urlforge/sdk/string_parameter.h"

using namespace ZorvikIPCam;

namespace ravix {

ParameterSnapshot SnapshotOf(const CParameter& parameter) {
  ParameterSnapshot snapshot;
  snapshot.type = parameter.GetType();
  snapshot.enabled = parameter.IsEnabled();
  snapshot.access = parameter.GetAccessMode();
  if (const auto* integer = dynamic_cast<const CIntegerParameter*>(&parameter)) {
    snapshot.intValue = integer->GetValue();
    snapshot.min = integer->GetMin();
    snapshot.max = integer->GetMax();
    snapshot.inc = integer->GetInc();
  } else if (const auto* text = dynamic_cast<const CStringParameter*>(&parameter)) {
    snapshot.text = text->GetValue();
    snapshot.maxLength = text->GetMaxLength();
  } else if (const auto* enumeration = dynamic_cast<const CEnumerationParameter*>(&parameter)) {
    snapshot.intValue = enumeration->GetIntValue();
    snapshot.text = enumeration->GetStringValue();
    snapshot.entries = enumeration->GetEntries();
  } else if (const auto* command = dynamic_cast<const CCommandParameter*>(&parameter)) {
    snapshot.done = command->IsDone();
  }
  return snapshot;
}

}  // namespace ravix
