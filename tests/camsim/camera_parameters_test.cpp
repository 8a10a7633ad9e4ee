// The parameter interface's methods per type, access rules, and Commit/Revert of staged
// network parameters.
#include <gtest/gtest.h>

#include "tools/camsim/camera_parameters.h"

namespace {

using camsim::ActionOutcome;
using camsim::CameraParameters;

class CameraParametersTest : public ::testing::Test {
 protected:
  CameraParametersTest()
      : params_(std::shared_ptr<const camsim::ParameterCatalogue>(&camsim::ParameterCatalogue::Default(),
                                                                   [](const camsim::ParameterCatalogue*) {})) {}

  std::string Ret(const std::string& action, std::optional<std::string> arg = std::nullopt) {
    const ActionOutcome o = params_.Run(action, arg);
    EXPECT_TRUE(o.ok) << action << ": " << o.text;
    return o.text;
  }
  std::string Exc(const std::string& action, std::optional<std::string> arg = std::nullopt) {
    const ActionOutcome o = params_.Run(action, arg);
    EXPECT_FALSE(o.ok) << action << " returned " << o.text;
    return o.text;
  }

  CameraParameters params_;
};

TEST_F(CameraParametersTest, IntegerMethodsAndLimits) {
  EXPECT_EQ(Ret("Image.Brightness.GetValue"), "50");
  EXPECT_EQ(Ret("Image.Brightness.GetMin"), "0");
  EXPECT_EQ(Ret("Image.Brightness.GetMax"), "100");
  EXPECT_EQ(Ret("Image.Brightness.GetInc"), "5");
  EXPECT_EQ(Ret("Image.Brightness.SetValue", "65"), "65");
  EXPECT_EQ(Ret("Image.Brightness.GetValue"), "65");
  EXPECT_NE(Exc("Image.Brightness.SetValue", "67").find("step"), std::string::npos);
  EXPECT_NE(Exc("Image.Brightness.SetValue", "105").find("outside"), std::string::npos);
  EXPECT_NE(Exc("Image.Brightness.SetValue", "5x").find("not an integer"), std::string::npos);
  EXPECT_EQ(Ret("Image.Gain.SetValue", "-5"), "-5");
  Exc("Image.Brightness.SetValue");  // no Parameter_i_0
  EXPECT_EQ(Ret("Image.Brightness.GetValue"), "65");
}

TEST_F(CameraParametersTest, StringEnumerationAndCommandMethods) {
  EXPECT_EQ(Ret("Image.Overlay.GetMaxLength"), "32");
  EXPECT_EQ(Ret("Image.Overlay.SetValue", "Gate 3"), "Gate 3");
  Exc("Image.Overlay.SetValue", std::string(33, 'x'));
  EXPECT_EQ(Ret("Image.Overlay.GetValue"), "Gate 3");

  EXPECT_EQ(Ret("Global.OperationMode.GetIntValue"), "1");
  EXPECT_EQ(Ret("Global.OperationMode.GetStringValue"), "Normal");
  EXPECT_EQ(Ret("Image.ExposureMode.GetEntries"), "Auto:0,Manual:1,Shutter:2");
  Ret("Image.ExposureMode.SetStringValue", "Shutter");
  EXPECT_EQ(Ret("Image.ExposureMode.GetIntValue"), "2");
  Ret("Image.ExposureMode.SetIntValue", "1");
  EXPECT_EQ(Ret("Image.ExposureMode.GetStringValue"), "Manual");
  Exc("Image.ExposureMode.SetIntValue", "7");
  Exc("Image.ExposureMode.SetStringValue", "Night");

  EXPECT_EQ(Ret("Device.Reboot.Execute"), "OK");
  EXPECT_EQ(Ret("Device.Reboot.IsDone"), "1");
  EXPECT_EQ(Ret("Device.Reboot.Stop"), "OK");
}

TEST_F(CameraParametersTest, MethodsBelongToTheirTypeAndAccessRulesHold) {
  // Methods of another type are refused.
  Exc("Global.OperationMode.GetValue");
  Exc("Image.Brightness.GetIntValue");
  Exc("Image.Overlay.GetMin");
  Exc("Device.Reboot.GetValue");
  // Common methods work on every type.
  EXPECT_EQ(Ret("Global.OperationMode.IsReadonly"), "1");
  EXPECT_EQ(Ret("Image.Brightness.IsReadonly"), "0");
  EXPECT_EQ(Ret("Image.WhiteBalanceKelvin.IsEnabled"), "0");
  EXPECT_EQ(Ret("Device.Reboot.IsEnabled"), "1");
  EXPECT_EQ(Ret("Image.Mirror.GetType"), "enumeration");
  // Read-only and disabled parameters refuse writes but can be read.
  EXPECT_NE(Exc("Device.Model.SetValue", "X").find("read-only"), std::string::npos);
  EXPECT_NE(Exc("Image.WhiteBalanceKelvin.SetValue", "5000").find("disabled"), std::string::npos);
  EXPECT_EQ(Ret("Image.WhiteBalanceKelvin.GetValue"), "5600");
  // Unknown names.
  Exc("Image.Nope.GetValue");
  Exc("Image.Brightness.Frobnicate");
  Exc("Brightness");
  EXPECT_EQ(Ret("GetGroups"), "Global,Device,Network,Image");
  EXPECT_EQ(Ret("Global.GetParameters"), "OperationMode");
  Exc("Nope.GetParameters");
}

TEST_F(CameraParametersTest, NetworkWritesWaitForCommitAndRevertDropsThem) {
  Ret("Network.HostName.SetValue", "gate-cam");
  Ret("Network.HTTPPort.SetValue", "8080");
  EXPECT_EQ(Ret("Network.HostName.GetValue"), "ravix-camera");  // still the applied value
  EXPECT_EQ(params_.StagedValue("Network.HostName"), "gate-cam");
  // Other groups apply at once and a Commit elsewhere leaves Network staged.
  Ret("Image.Brightness.SetValue", "10");
  EXPECT_EQ(Ret("Image.Brightness.GetValue"), "10");
  Ret("Device.Reboot.Execute");
  EXPECT_EQ(params_.StagedValue("Network.HTTPPort"), "8080");

  EXPECT_EQ(Ret("Network.Commit.Execute"), "OK");
  EXPECT_EQ(Ret("Network.HostName.GetValue"), "gate-cam");
  EXPECT_EQ(Ret("Network.HTTPPort.GetValue"), "8080");
  EXPECT_FALSE(params_.StagedValue("Network.HostName"));

  Ret("Network.DHCP.SetValue", "1");
  Ret("Network.IPAddress.SetValue", "10.0.0.9");
  Ret("Network.Revert.Execute");
  EXPECT_EQ(Ret("Network.DHCP.GetValue"), "0");
  EXPECT_EQ(Ret("Network.IPAddress.GetValue"), "192.168.0.90");
  Ret("Network.Commit.Execute");  // nothing left to apply
  EXPECT_EQ(Ret("Network.IPAddress.GetValue"), "192.168.0.90");
  // A refused write stages nothing.
  Exc("Network.NetPrefix.SetValue", "33");
  EXPECT_FALSE(params_.StagedValue("Network.NetPrefix"));
}

}  // namespace
