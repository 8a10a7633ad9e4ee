// Runs inside tools/netlab: the camera SDK library against two simulated cameras (see
// urlforge_lab_cameras.h), checked through its results and the simulator's values and
// request log.
#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>

#include "tests/urlforge/urlforge_lab_cameras.h"
#include "urlforge/sdk/command_parameter.h"
#include "urlforge/sdk/enumeration_parameter.h"
#include "urlforge/sdk/integer_parameter.h"
#include "urlforge/sdk/ip_cam_error.h"
#include "urlforge/sdk/string_parameter.h"
#include "urlforge/sdk/zorvik_ip_camera.h"

namespace {

using namespace ZorvikIPCam;
using urlforge_test::kLockedCamera;
using urlforge_test::kLockedPort;
using urlforge_test::kOpenCamera;

class SdkLabTest : public urlforge_test::LabCameras {
 protected:
  void ConnectOpen() {
    ASSERT_EQ(camera_.Connect(QString::fromStdString(kOpenCamera), "", "", 80, 0), eIPCamOk)
        << camera_.GetLastIPCamError().toStdString();
  }

  template <class Parameter>
  Parameter* Get(const char* group, const char* name) {
    CParameter* parameter = nullptr;
    EXPECT_EQ(camera_.GetParameter(group, name, parameter, true, -1), eIPCamOk)
        << camera_.GetLastIPCamError().toStdString();
    return dynamic_cast<Parameter*>(parameter);
  }

  std::string Applied(const std::string& name) { return sim_->GetParameter(kOpenCamera, name).value_or("?"); }

  CZorvikIPCamera camera_;
};

TEST_F(SdkLabTest, ConnectLearnsGroupsParametersAndTypesInTheCamerasOrder) {
  ConnectOpen();
  EXPECT_TRUE(camera_.IsConnected());
  QStringList groups;
  for (const CParameterGroup* group : camera_.GetGroups()) groups << group->GetName();
  EXPECT_EQ(groups, QStringList({"Global", "Device", "Network", "Image"}));

  CParameterGroup* image = nullptr;
  ASSERT_EQ(camera_.GetParameterGroup("Image", image), eIPCamOk);
  QStringList names;
  QList<int> types;
  for (const CParameter* parameter : image->GetParameters()) {
    names << parameter->GetName();
    types << parameter->GetType();
  }
  EXPECT_EQ(names, QStringList({"Brightness", "Gain", "ExposureMode", "Mirror", "WhiteBalanceKelvin", "Overlay"}));
  EXPECT_EQ(types, QList<int>({eInteger, eInteger, eEnumeration, eEnumeration, eInteger, eString}));
  // GetGroups, one request for every group's parameters, one for every parameter's type.
  EXPECT_EQ(TakeParamQueries().size(), 3u);

  CParameter* byIndex = nullptr;
  EXPECT_EQ(camera_.GetParameter("Network", "", byIndex, false, 8), eIPCamOk);
  ASSERT_NE(byIndex, nullptr);
  EXPECT_EQ(byIndex->GetName(), "Revert");
  EXPECT_EQ(byIndex->GetType(), eCommand);

  CParameterGroup* missing = image;
  EXPECT_EQ(camera_.GetParameterGroup("Audio", missing), eGroupNotFound);
  EXPECT_EQ(missing, nullptr);
  EXPECT_TRUE(camera_.GetLastIPCamError().contains("Audio"));
  CParameter* none = byIndex;
  EXPECT_EQ(camera_.GetParameter("Image", "Zoom", none, true, -1), eParameterNotFound);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(camera_.GetParameter("Image", "", none, false, 6), eParameterNotFound);
  EXPECT_TRUE(TakeParamQueries().empty());
}

TEST_F(SdkLabTest, TypedParametersReadKeepSetValuesAndWriteThem) {
  ConnectOpen();
  auto* brightness = Get<CIntegerParameter>("Image", "Brightness");
  ASSERT_NE(brightness, nullptr);
  EXPECT_EQ(brightness->GetValue(), 50);
  EXPECT_EQ(brightness->GetMin(), 0);
  EXPECT_EQ(brightness->GetMax(), 100);
  EXPECT_EQ(brightness->GetInc(), 5);
  EXPECT_EQ(brightness->GetAccessMode(), eReadWrite);
  EXPECT_TRUE(brightness->IsEnabled());
  EXPECT_EQ(brightness->SetValue(65), eIPCamOk);
  EXPECT_EQ(brightness->GetValue(), 65);
  EXPECT_EQ(Applied("Image.Brightness"), "50");  // kept until Write
  EXPECT_EQ(brightness->Write(), eIPCamOk);
  EXPECT_EQ(Applied("Image.Brightness"), "65");
  // The camera refuses a value off the increment; its own text comes back.
  brightness->SetValue(47);
  EXPECT_EQ(brightness->Write(), eCameraException);
  EXPECT_TRUE(brightness->GetLastIPCamError().contains("step")) << brightness->GetLastIPCamError().toStdString();
  EXPECT_EQ(camera_.GetLastIPCamError(), brightness->GetLastIPCamError());
  EXPECT_EQ(Applied("Image.Brightness"), "65");
  EXPECT_EQ(brightness->Update(), eIPCamOk);
  EXPECT_EQ(brightness->GetValue(), 65);
  EXPECT_TRUE(camera_.GetLastIPCamError().isEmpty());

  // A text that would change the query arrives whole.
  auto* location = Get<CStringParameter>("Device", "Location");
  ASSERT_NE(location, nullptr);
  EXPECT_EQ(location->GetValue(), "Lobby");
  EXPECT_EQ(location->GetMaxLength(), 63);
  location->SetValue("Gate & Yard #1 = 100%+?");
  TakeParamQueries();
  EXPECT_EQ(location->Write(), eIPCamOk);
  EXPECT_EQ(Applied("Device.Location"), "Gate & Yard #1 = 100%+?");
  EXPECT_EQ(TakeParamQueries(),
            std::vector<std::string>{
                "NumActions=1&Action_0=Device.Location.SetValue&Parameter_0_0=Gate%20%26%20Yard%20%231%20%3D%20100%25%2B%3F"});

  auto* exposure = Get<CEnumerationParameter>("Image", "ExposureMode");
  ASSERT_NE(exposure, nullptr);
  ASSERT_EQ(exposure->GetEntries().size(), 3u);
  EXPECT_EQ(exposure->GetEntries()[2].text, "Shutter");
  EXPECT_EQ(exposure->GetEntries()[2].value, 2);
  EXPECT_EQ(exposure->GetStringValue(), "Auto");
  EXPECT_EQ(exposure->SetStringValue("Shutter"), eIPCamOk);
  EXPECT_EQ(exposure->GetIntValue(), 2);
  EXPECT_EQ(exposure->Write(), eIPCamOk);
  EXPECT_EQ(Applied("Image.ExposureMode"), "2");
  EXPECT_EQ(exposure->SetIntValue(7), eInvalidValue);
  EXPECT_EQ(exposure->SetStringValue("Night"), eInvalidValue);
  EXPECT_EQ(exposure->GetIntValue(), 2);
  EXPECT_EQ(exposure->SetIntValue(1), eIPCamOk);
  EXPECT_EQ(exposure->GetStringValue(), "Manual");

  // Network parameters wait for Commit; Stop and Execute are chosen before Write.
  auto* port = Get<CIntegerParameter>("Network", "HTTPPort");
  auto* commit = Get<CCommandParameter>("Network", "Commit");
  ASSERT_NE(port, nullptr);
  ASSERT_NE(commit, nullptr);
  EXPECT_TRUE(commit->IsDone());
  port->SetValue(8080);
  ASSERT_EQ(port->Write(), eIPCamOk);
  EXPECT_EQ(Applied("Network.HTTPPort"), "80");
  TakeParamQueries();
  commit->Stop();
  EXPECT_EQ(commit->Write(), eIPCamOk);
  EXPECT_EQ(Applied("Network.HTTPPort"), "80");
  commit->Execute();
  EXPECT_EQ(commit->Write(), eIPCamOk);
  EXPECT_EQ(Applied("Network.HTTPPort"), "8080");
  EXPECT_EQ(TakeParamQueries(), (std::vector<std::string>{"NumActions=1&Action_0=Network.Commit.Stop",
                                                         "NumActions=1&Action_0=Network.Commit.Execute"}));
}

TEST_F(SdkLabTest, ReadOnlyAndDisabledParametersAreNotWritten) {
  ConnectOpen();
  auto* model = Get<CStringParameter>("Device", "Model");
  auto* kelvin = Get<CIntegerParameter>("Image", "WhiteBalanceKelvin");
  auto* mode = Get<CEnumerationParameter>("Global", "OperationMode");
  ASSERT_NE(model, nullptr);
  ASSERT_NE(kelvin, nullptr);
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(model->GetValue(), "Ravix-B120");
  EXPECT_EQ(model->GetAccessMode(), eReadOnly);
  EXPECT_FALSE(kelvin->IsEnabled());
  TakeParamQueries();
  model->SetValue("Other");
  EXPECT_EQ(model->Write(), eParameterReadOnly);
  EXPECT_TRUE(camera_.GetLastIPCamError().contains("Device.Model"));
  kelvin->SetValue(3000);
  EXPECT_EQ(kelvin->Write(), eParameterDisabled);
  EXPECT_EQ(mode->Write(), eParameterReadOnly);
  EXPECT_TRUE(TakeParamQueries().empty());
  EXPECT_EQ(Applied("Device.Model"), "Ravix-B120");
}

TEST_F(SdkLabTest, LoginCameraWantsTheRightCredentials) {
  const QString locked = QString::fromStdString(kLockedCamera);
  EXPECT_EQ(camera_.Connect(locked, "", "", kLockedPort, 0), eLoginRequired);
  EXPECT_FALSE(camera_.IsConnected());
  EXPECT_TRUE(camera_.GetGroups().empty());
  EXPECT_EQ(camera_.Connect(locked, "admin", "wrong", kLockedPort, 0), eLoginFailed);
  EXPECT_EQ(camera_.GetLastIPCamError(), CZorvikIPCamera::ErrorCodeToString(eLoginFailed));
  sim_->ClearRequestLog();

  ASSERT_EQ(camera_.Connect(locked, "admin", "zorvik", kLockedPort, 0), eIPCamOk)
      << camera_.GetLastIPCamError().toStdString();
  EXPECT_EQ(camera_.GetPort(), kLockedPort);
  auto* gain = Get<CIntegerParameter>("Image", "Gain");
  ASSERT_NE(gain, nullptr);
  gain->SetValue(-6);
  EXPECT_EQ(gain->Write(), eIPCamOk);
  EXPECT_EQ(sim_->GetParameter(kLockedCamera, "Image.Gain").value_or(""), "-6");

  // A new Connect ends the session it replaces.
  ASSERT_EQ(camera_.Connect(QString::fromStdString(kOpenCamera), "", "", 80, 0), eIPCamOk);
  const auto log = sim_->RequestLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.front()["query"], "Login&username=admin&password=zorvik");
  const auto logout = std::find_if(log.begin(), log.end(), [](const nlohmann::json& entry) {
    return entry["address"] == kLockedCamera && entry["query"].get<std::string>().rfind("Logout&session_id=", 0) == 0;
  });
  EXPECT_NE(logout, log.end());
}

TEST_F(SdkLabTest, ExecuteHttpReturnsTheCamerasAnswer) {
  QString answer = "stale";
  EXPECT_EQ(camera_.ExecuteHTTP("/cgi-bin/param_if.cgi?NumActions=0", answer), eNotConnected);
  EXPECT_TRUE(answer.isEmpty());
  ConnectOpen();
  EXPECT_EQ(camera_.ExecuteHTTP("/cgi-bin/param_if.cgi?NumActions=2&Action_0=Image.Brightness.GetValue&Action_1="
                                "Image.Zoom.GetValue",
                                answer),
            eIPCamOk);
  EXPECT_EQ(answer, "Return_0=50\nException_1=Unknown parameter Image.Zoom\n");
  EXPECT_EQ(camera_.ExecuteHTTP("/cgi-bin/param_if.cgi?NumActions=0", answer), eIPCamOk);
  EXPECT_EQ(answer, "");
  EXPECT_EQ(camera_.ExecuteHTTP("/cgi-bin/param_if.cgi", answer), eHttpStatus);
  EXPECT_TRUE(camera_.GetLastIPCamError().contains("400"));
  TakeParamQueries();
  EXPECT_EQ(camera_.ExecuteHTTP("/index.html", answer), eInvalidPath);
  EXPECT_EQ(camera_.ExecuteHTTP("/cgi-bin/param_if.cgi?NumActions=1&Action_0=a b", answer), eInvalidPath);
  EXPECT_TRUE(TakeParamQueries().empty());
}

TEST_F(SdkLabTest, ConnectFailuresLeaveTheCameraUnconnected) {
  EXPECT_EQ(camera_.Connect(QString::fromStdString(kOpenCamera), "", "", 0, 0), eInvalidPort);
  EXPECT_EQ(camera_.Connect("", "", "", 80, 0), eInvalidAddress);
  EXPECT_EQ(camera_.Connect("192.0.2.10/x?", "", "", 80, 0), eInvalidAddress);
  EXPECT_EQ(camera_.Connect("192.0.2.", "", "", 80, 0), eInvalidAddress);
  EXPECT_TRUE(sim_->RequestLog().empty());

  ConnectOpen();
  ASSERT_TRUE(sim_->SetFaults(kOpenCamera, {{"malformed", true}}));
  EXPECT_EQ(camera_.Connect(QString::fromStdString(kOpenCamera), "", "", 80, 0), eUnexpectedAnswer);
  EXPECT_FALSE(camera_.IsConnected());
  EXPECT_TRUE(camera_.GetGroups().empty());
  ASSERT_TRUE(sim_->SetFaults(kOpenCamera, {{"http_status", 500}}));
  EXPECT_EQ(camera_.Connect(QString::fromStdString(kOpenCamera), "", "", 80, 0), eHttpStatus);
  ASSERT_TRUE(sim_->SetFaults(kOpenCamera, {{"no_answer", true}}));
  EXPECT_EQ(camera_.Connect(QString::fromStdString(kOpenCamera), "", "", 80, 300), eTimedOut);
  ASSERT_TRUE(sim_->SetFaults(kOpenCamera, {{"refuse", true}}));
  EXPECT_EQ(camera_.Connect(QString::fromStdString(kOpenCamera), "", "", 80, 0), eConnectionFailed);
  EXPECT_FALSE(camera_.GetLastIPCamError().isEmpty());
}

TEST(SdkNames, MethodNamesMapToTheirFunctionNumbers) {
  const char* names[] = {"GetValue",       "GetIntValue",    "SetValue",   "SetIntValue", "GetMin",  "GetMax",
                         "GetInc",         "GetMaxLength",   "GetStringValue", "SetStringValue", "GetEntries",
                         "IsEnabled",      "IsReadonly",     "Execute",    "IsDone",      "Stop"};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(CZorvikIPCamera::StringToFunction(names[i]), i) << names[i];
  EXPECT_EQ(CZorvikIPCamera::StringToFunction("getvalue"), eFunctionUnknown);
  EXPECT_EQ(CZorvikIPCamera::TypeToString(eEnumeration), "Enumeration");
  EXPECT_EQ(CZorvikIPCamera::TypeToString(9), "Unknown");
}

}  // namespace
