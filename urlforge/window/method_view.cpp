#include "urlforge/window/method_view.h"

using namespace ZorvikIPCam;

namespace ravix {

namespace {

MethodView Edit(const QString& text, bool editable = false) {
  MethodView view;
  view.control = ValueControl::kEdit;
  view.editable = editable;
  view.text = text;
  return view;
}

MethodView Number(int value) { return Edit(QString::number(value)); }

MethodView SetValueView(const ParameterSnapshot& parameter) {
  MethodView view;
  if (parameter.type == eInteger) {
    view = Edit(QString::number(parameter.intValue), true);
    view.control = ValueControl::kNumberEdit;
    view.min = parameter.min;
    view.max = parameter.max;
    view.step = parameter.inc;
  } else if (parameter.type == eString) {
    view = Edit(parameter.text, true);
  }
  view.writes = true;
  return view;
}

// The enumeration's entries by integer value or by text, its current one as edit text.
MethodView ChoiceView(const ParameterSnapshot& parameter, bool byValue) {
  MethodView view;
  view.writes = true;
  if (parameter.type != eEnumeration) return view;
  view.control = ValueControl::kChoice;
  for (const sEnumEntry& entry : parameter.entries) view.items << (byValue ? QString::number(entry.value) : entry.text);
  view.text = byValue ? QString::number(parameter.intValue) : parameter.text;
  return view;
}

MethodView Check(bool checked) {
  MethodView view;
  view.control = ValueControl::kCheck;
  view.checked = checked;
  return view;
}

// Shows the value only for the type the method belongs to; other types show nothing.
MethodView IfType(const ParameterSnapshot& parameter, eParameterType type, MethodView view) {
  return parameter.type == type ? view : MethodView{};
}

}  // namespace

MethodView ViewOfMethod(const ParameterSnapshot& parameter, eFunction method) {
  switch (method) {
    case eGetValue:
      return Edit(parameter.type == eInteger ? QString::number(parameter.intValue)
                  : parameter.type == eString ? parameter.text
                                              : QString());
    case eGetIntValue: return IfType(parameter, eEnumeration, Number(parameter.intValue));
    case eGetMin: return IfType(parameter, eInteger, Number(parameter.min));
    case eGetMax: return IfType(parameter, eInteger, Number(parameter.max));
    case eGetInc: return IfType(parameter, eInteger, Number(parameter.inc));
    case eGetMaxLength: return IfType(parameter, eString, Number(parameter.maxLength));
    case eGetStringValue: return IfType(parameter, eEnumeration, Edit(parameter.text));
    case eSetValue: return SetValueView(parameter);
    case eSetIntValue: return ChoiceView(parameter, true);
    case eSetStringValue: return ChoiceView(parameter, false);
    case eGetEntries: {
      MethodView view;
      view.control = ValueControl::kList;
      for (const sEnumEntry& entry : parameter.entries) view.items << entry.text;
      return view;
    }
    case eIsEnabled: return Check(parameter.enabled);
    case eIsReadonly: return Check(parameter.access == eReadOnly);
    case eIsDone: return Check(parameter.type == eCommand && parameter.done);
    case eExecute:
    case eStop: {
      MethodView view;
      view.valueLabel = false;
      view.writes = true;
      return view;
    }
    case eFunctionUnknown: break;
  }
  return MethodView{};
}

std::vector<eFunction> MethodsOf(eParameterType type) {
  std::vector<eFunction> methods;
  switch (type) {
    case eInteger: methods = {eSetValue, eGetValue, eGetMin, eGetMax, eGetInc}; break;
    case eString: methods = {eSetValue, eGetValue, eGetMaxLength}; break;
    case eCommand: methods = {eExecute, eIsDone, eStop}; break;
    case eEnumeration: methods = {eSetStringValue, eSetIntValue, eGetStringValue, eGetIntValue, eGetEntries}; break;
    case eTypeUnknown: break;
  }
  methods.push_back(eIsEnabled);
  methods.push_back(eIsReadonly);
  return methods;
}

QString MethodName(eFunction method) {
  switch (method) {
    case eGetValue: return QStringLiteral("GetValue");
    case eGetIntValue: return QStringLiteral("GetIntValue");
    case eSetValue: return QStringLiteral("SetValue");
    case eSetIntValue: return QStringLiteral("SetIntValue");
    case eGetMin: return QStringLiteral("GetMin");
    case eGetMax: return QStringLiteral("GetMax");
    case eGetInc: return QStringLiteral("GetInc");
    case eGetMaxLength: return QStringLiteral("GetMaxLength");
    case eGetStringValue: return QStringLiteral("GetStringValue");
    case eSetStringValue: return QStringLiteral("SetStringValue");
    case eGetEntries: return QStringLiteral("GetEntries");
    case eIsEnabled: return QStringLiteral("IsEnabled");
    case eIsReadonly: return QStringLiteral("IsReadonly");
    case eExecute: return QStringLiteral("Execute");
    case eIsDone: return QStringLiteral("IsDone");
    case eStop: return QStringLiteral("Stop");
    case eFunctionUnknown: break;
  }
  return QString();
}

bool IsSetMethod(eFunction method) {
  return method == eSetValue || method == eSetIntValue || method == eSetStringValue;
}

}  // namespace ravix
