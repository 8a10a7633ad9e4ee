// What UrlForge shows for each method of a parameter, decided without a window or a
// camera (urlforge/window/method_view.h).
#include <gtest/gtest.h>

#include "urlforge/sdk/zorvik_ip_camera.h"
#include "urlforge/window/method_view.h"

namespace {

using namespace ZorvikIPCam;
using ravix::MethodView;
using ravix::ParameterSnapshot;
using ravix::ValueControl;
using ravix::ViewOfMethod;

ParameterSnapshot Integer() {
  ParameterSnapshot p;
  p.type = eInteger;
  p.access = eReadWrite;
  p.intValue = 50;
  p.min = -10;
  p.max = 100;
  p.inc = 5;
  return p;
}

ParameterSnapshot Enumeration() {
  ParameterSnapshot p;
  p.type = eEnumeration;
  p.access = eReadOnly;
  p.entries = {{"Auto", 0}, {"Manual", 1}, {"Shutter", 2}};
  p.intValue = 2;
  p.text = "Shutter";
  return p;
}

TEST(MethodView, GetMethodsShowTheirValueReadOnlyAndOnlyForTheirType) {
  const ParameterSnapshot integer = Integer();
  for (const auto& [method, text] : std::vector<std::pair<eFunction, QString>>{
           {eGetValue, "50"}, {eGetMin, "-10"}, {eGetMax, "100"}, {eGetInc, "5"}}) {
    const MethodView view = ViewOfMethod(integer, method);
    EXPECT_EQ(view.control, ValueControl::kEdit) << method;
    EXPECT_EQ(view.text, text) << method;
    EXPECT_FALSE(view.editable || view.writes) << method;
    EXPECT_TRUE(view.valueLabel);
  }
  ParameterSnapshot text;
  text.type = eString;
  text.text = "Lobby";
  text.maxLength = 31;
  EXPECT_EQ(ViewOfMethod(text, eGetValue).text, "Lobby");
  EXPECT_EQ(ViewOfMethod(text, eGetMaxLength).text, "31");
  EXPECT_EQ(ViewOfMethod(Enumeration(), eGetIntValue).text, "2");
  EXPECT_EQ(ViewOfMethod(Enumeration(), eGetStringValue).text, "Shutter");
  // A method of another type shows nothing; GetValue of an enumeration an empty edit.
  EXPECT_EQ(ViewOfMethod(integer, eGetMaxLength).control, ValueControl::kNone);
  EXPECT_EQ(ViewOfMethod(text, eGetMin).control, ValueControl::kNone);
  EXPECT_EQ(ViewOfMethod(Enumeration(), eGetValue).text, "");
  const MethodView unknown = ViewOfMethod(integer, eFunctionUnknown);
  EXPECT_EQ(unknown.control, ValueControl::kNone);
  EXPECT_TRUE(unknown.valueLabel);
  EXPECT_FALSE(unknown.writes);
}

TEST(MethodView, SetMethodsAreEditableWithLimitsOrEntriesAndWrite) {
  const MethodView number = ViewOfMethod(Integer(), eSetValue);
  EXPECT_EQ(number.control, ValueControl::kNumberEdit);
  EXPECT_TRUE(number.editable && number.writes);
  EXPECT_EQ(number.text, "50");
  EXPECT_EQ(std::make_tuple(number.min, number.max, number.step), std::make_tuple(-10, 100, 5));

  ParameterSnapshot text;
  text.type = eString;
  text.text = "Gate & Yard";
  const MethodView edit = ViewOfMethod(text, eSetValue);
  EXPECT_EQ(edit.control, ValueControl::kEdit);
  EXPECT_TRUE(edit.editable && edit.writes);
  EXPECT_EQ(edit.text, "Gate & Yard");

  const MethodView byValue = ViewOfMethod(Enumeration(), eSetIntValue);
  EXPECT_EQ(byValue.control, ValueControl::kChoice);
  EXPECT_EQ(byValue.items, QStringList({"0", "1", "2"}));
  EXPECT_EQ(byValue.text, "2");
  const MethodView byText = ViewOfMethod(Enumeration(), eSetStringValue);
  EXPECT_EQ(byText.items, QStringList({"Auto", "Manual", "Shutter"}));
  EXPECT_EQ(byText.text, "Shutter");
  EXPECT_TRUE(byValue.writes && byText.writes);
  // The write check runs even where the type has no value control.
  EXPECT_TRUE(ViewOfMethod(Integer(), eSetIntValue).writes);
  EXPECT_EQ(ViewOfMethod(Integer(), eSetIntValue).control, ValueControl::kNone);
}

TEST(MethodView, EntriesChecksAndCommands) {
  const MethodView entries = ViewOfMethod(Enumeration(), eGetEntries);
  EXPECT_EQ(entries.control, ValueControl::kList);
  EXPECT_EQ(entries.items, QStringList({"Auto", "Manual", "Shutter"}));

  ParameterSnapshot disabled = Integer();
  disabled.enabled = false;
  EXPECT_FALSE(ViewOfMethod(disabled, eIsEnabled).checked);
  EXPECT_TRUE(ViewOfMethod(Integer(), eIsEnabled).checked);
  EXPECT_EQ(ViewOfMethod(Integer(), eIsEnabled).control, ValueControl::kCheck);
  EXPECT_TRUE(ViewOfMethod(Enumeration(), eIsReadonly).checked);
  EXPECT_FALSE(ViewOfMethod(Integer(), eIsReadonly).checked);
  ParameterSnapshot command;
  command.type = eCommand;
  command.done = true;
  EXPECT_TRUE(ViewOfMethod(command, eIsDone).checked);
  command.done = false;
  EXPECT_FALSE(ViewOfMethod(command, eIsDone).checked);
  for (const eFunction method : {eExecute, eStop}) {
    const MethodView view = ViewOfMethod(command, method);
    EXPECT_EQ(view.control, ValueControl::kNone);
    EXPECT_FALSE(view.valueLabel);
    EXPECT_TRUE(view.writes);
  }
}

// Every offered method goes by its name to the function it stands for and back.
TEST(MethodView, MethodsOfEachTypeAndTheirNames) {
  EXPECT_EQ(ravix::MethodsOf(eCommand), (std::vector<eFunction>{eExecute, eIsDone, eStop, eIsEnabled, eIsReadonly}));
  EXPECT_EQ(ravix::MethodsOf(eTypeUnknown), (std::vector<eFunction>{eIsEnabled, eIsReadonly}));
  EXPECT_EQ(ravix::MethodsOf(eEnumeration).size(), 7u);
  for (const eParameterType type : {eInteger, eString, eCommand, eEnumeration}) {
    for (const eFunction method : ravix::MethodsOf(type)) {
      EXPECT_EQ(CZorvikIPCamera::StringToFunction(ravix::MethodName(method)), method) << method;
      EXPECT_EQ(ravix::IsSetMethod(method), ravix::MethodName(method).contains("Set")) << method;
    }
  }
  EXPECT_EQ(ravix::MethodName(eFunctionUnknown), "");
}

}  // namespace
