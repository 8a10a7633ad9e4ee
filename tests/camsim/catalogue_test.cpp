// Catalogue and camera description files: the shipped catalogue, and bad files that must
// be refused with a message naming the fault.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "tools/camsim/camera_config.h"
#include "tools/camsim/camera_parameters.h"
#include "tools/camsim/parameter_catalogue.h"
#include "tools/camsim/simulated_camera.h"

namespace {

using camsim::ParameterCatalogue;
using camsim::ParameterType;

TEST(CatalogueTest, DefaultCatalogueHoldsTheCameraParameters) {
  const ParameterCatalogue& c = ParameterCatalogue::Default();
  const auto* mode = c.Find("Global", "OperationMode");
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->type, ParameterType::Enumeration);
  for (const char* name : {"HostName", "DHCP", "IPAddress", "NetPrefix", "NameServer", "Gateway", "HTTPPort"}) {
    const auto* def = c.Find("Network", name);
    ASSERT_NE(def, nullptr) << name;
    EXPECT_TRUE(def->staged) << name;
  }
  EXPECT_EQ(c.Find("Network", "Commit")->effect, camsim::CommandEffect::Commit);
  EXPECT_EQ(c.Find("Network", "Revert")->effect, camsim::CommandEffect::Revert);
  EXPECT_EQ(c.Find("Network", "Nope"), nullptr);
}

TEST(CatalogueTest, BadCataloguesNameTheirFault) {
  const auto group = [](const std::string& parameter) {
    return R"({"groups":[{"name":"G","parameters":[)" + parameter + "]}]}";
  };
  const std::pair<std::string, std::string> cases[] = {
      {"{", "not valid JSON"},
      {R"({"group":[]})", "no \"groups\" list"},
      {R"({"groups":[{"parameters":[]}]})", "group 0: has no \"name\""},
      {R"({"groups":[{"name":"A.B","parameters":[]}]})", "may hold only letters"},
      {R"({"groups":[{"name":"G","parameters":[]},{"name":"G","parameters":[]}]})", "group \"G\" appears twice"},
      {group(R"({"name":"P","type":"float"})"), "parameter 0 (\"P\"): type \"float\""},
      {group(R"({"name":"P","type":"integer","min":5,"max":1})"), "min 5 is above max 1"},
      {group(R"({"name":"P","type":"integer","inc":0})"), "inc 0 is not positive"},
      {group(R"({"name":"P","type":"integer","min":0,"max":10,"inc":5,"value":3})"), "not on a step"},
      {group(R"({"name":"P","type":"integer","min":0,"max":10,"value":11})"), "outside min and max"},
      {group(R"({"name":"P","type":"integer","min":"0"})"), "\"min\" is not an integer"},
      {group(R"({"name":"P","type":"integer","max":18446744073709551615})"), "\"max\" is too large"},
      {group(R"({"name":"P","type":"string","maxLength":2,"value":"abc"})"), "longer than maxLength"},
      {group(R"({"name":"P","type":"enumeration"})"), "no \"entries\""},
      {group(R"({"name":"P","type":"enumeration","entries":[{"text":"A","value":1},{"text":"A","value":2}]})"),
       "text \"A\" appears twice"},
      {group(R"({"name":"P","type":"enumeration","entries":[{"text":"A,B","value":1}]})"), "holds one of"},
      {group(R"({"name":"P","type":"enumeration","entries":[{"text":"A","value":1}],"value":2})"),
       "value 2 is not one of the entries"},
      {group(R"({"name":"P","type":"command","effect":"undo"})"), "effect \"undo\""},
      {group(R"({"name":"P","type":"string","access":"write"})"), "access \"write\""},
      {group(R"({"name":"P","type":"string"},{"name":"P","type":"string"})"), "parameter \"P\" appears twice"},
  };
  for (const auto& [text, expected] : cases) {
    std::string error;
    EXPECT_FALSE(ParameterCatalogue::Parse(text, error)) << text;
    EXPECT_NE(error.find(expected), std::string::npos) << text << "\n  gave: " << error;
  }
}

TEST(CatalogueTest, StepsHoldOverTheWholeIntegerRange) {
  std::string error;
  const auto catalogue = ParameterCatalogue::Parse(
      R"({"groups":[{"name":"G","parameters":[{"name":"Wide","type":"integer",
          "min":-9223372036854775808,"max":9223372036854775807,"inc":3,"value":1}]}]})",
      error);
  ASSERT_TRUE(catalogue) << error;  // 1 lies 2^63 + 1 = 3 * 3074457345618258603 above min
  const camsim::ParameterDef& wide = *catalogue->Find("G", "Wide");
  EXPECT_EQ(camsim::NormaliseValue(wide, "1", error), "1");
  EXPECT_EQ(camsim::NormaliseValue(wide, "9223372036854775807", error), "9223372036854775807");
  EXPECT_FALSE(camsim::NormaliseValue(wide, "0", error));
  EXPECT_FALSE(camsim::NormaliseValue(wide, "9223372036854775806", error));
}

TEST(CatalogueTest, LoadNamesTheFile) {
  std::string error;
  EXPECT_FALSE(ParameterCatalogue::Load("/nonexistent/catalogue.json", error));
  EXPECT_NE(error.find("/nonexistent/catalogue.json"), std::string::npos);

  const std::string path = testing::TempDir() + "/bad_catalogue.json";
  std::ofstream(path) << R"({"groups":[{"name":"G","parameters":[{"name":"P"}]}]})";
  EXPECT_FALSE(ParameterCatalogue::Load(path, error));
  EXPECT_NE(error.find(path + ": catalogue: group 0 (\"G\"), parameter 0 (\"P\"): has no \"type\""),
            std::string::npos)
      << error;
}

TEST(CameraDescriptionTest, BadDescriptionsNameTheEntryAndField) {
  const std::pair<std::string, std::string> cases[] = {
      {"[]", "not a JSON object"},
      {R"({"cams":[]})", "unknown field \"cams\""},
      {R"({"cameras":[{"name":"A","adress":"1.2.3.4"}]})", "camera 0 (\"A\"): unknown field \"adress\""},
      {R"({"cameras":[{},{"address":"1.2.3"}]})", "camera 1: address \"1.2.3\""},
      {R"({"cameras":[{"port":70000}]})", "\"port\" is outside"},
      {R"({"cameras":[{"txt":{"a":1}}]})", "value of \"a\""},
      {R"({"cameras":[{"faults":{"delay":5}}]})", "faults: unknown field \"delay\""},
      {R"({"cameras":[{"faults":{"refuse":1}}]})", "\"refuse\" is not true or false"},
      {R"({"cameras":[{"login":{"password":"x"}}]})", "login has no \"username\""},
      {R"({"services":[{"kind":"printer"}]})", "service 0: kind \"printer\""},
      {R"({"cameras":[{"host":"a.b"}]})", "holds a blank, dot or slash"},
  };
  for (const auto& [text, expected] : cases) {
    std::string error;
    EXPECT_FALSE(camsim::ParseSimulationConfig(text, error)) << text;
    EXPECT_NE(error.find(expected), std::string::npos) << text << "\n  gave: " << error;
  }
}

TEST(CameraDescriptionTest, IntegerStartValuesAreKeptAsWritten) {
  std::string error;
  const auto config = camsim::ParseSimulationConfig(
      R"({"cameras":[{"parameters":{"Image.Gain":18446744073709551615,"Image.Brightness":-5}}]})", error);
  ASSERT_TRUE(config) << error;
  const auto& parameters = config->cameras[0].parameters;
  EXPECT_EQ(parameters.at("Image.Gain"), "18446744073709551615");  // not wrapped to -1, which Gain allows
  EXPECT_EQ(parameters.at("Image.Brightness"), "-5");

  auto camera = config->cameras[0];
  camsim::CompleteCamera(camera, 0);
  const auto catalogue = std::make_shared<const ParameterCatalogue>(ParameterCatalogue::Default());
  EXPECT_FALSE(camsim::SimulatedCamera::Create(camera, catalogue, error));
}

TEST(CameraDescriptionTest, TxtRecordFollowsFieldsAddressAndOverrides) {
  std::string error;
  auto config = camsim::ParseSimulationConfig(
      R"({"cameras":[{"address":"169.254.3.4","model":"Ravix-B120","serial":"S1","ipv4_net":"192.168.0.90",
          "txt":{"path":"/live","serial.zorvnet":null,"extra":"1"}}],
          "services":[{"name":"Printer","txt":{"ty":"laser"}}]})",
      error);
  ASSERT_TRUE(config) << error;
  auto& camera = config->cameras[0];
  camsim::CompleteCamera(camera, 1);
  EXPECT_EQ(camera.host, "ravix-s1");
  EXPECT_EQ(camera.name, "Ravix-B120 S1");
  const camsim::TxtRecord expected = {{"vendor.zorvnet", "Zorvik"},        {"model.zorvnet", "Ravix-B120"},
                                      {"ipv4-net.zorvnet", "192.168.0.90"}, {"ipv4-zc.zorvnet", "169.254.3.4"},
                                      {"extra", "1"},                       {"path", "/live"}};
  EXPECT_EQ(camera.txt, expected);
  EXPECT_EQ(camsim::DerivedParameters(camera).at("Network.IPAddress"), "192.168.0.90");

  auto& printer = config->cameras[1];
  camsim::CompleteCamera(printer, 2);
  EXPECT_FALSE(printer.isCamera);
  EXPECT_EQ(printer.txt, (camsim::TxtRecord{{"ty", "laser"}}));
}

TEST(CameraDescriptionTest, MixedProfileFollowsItsPattern) {
  std::string error;
  const auto config = camsim::MakeProfile("mixed", 10, error);
  ASSERT_TRUE(config) << error;
  ASSERT_EQ(config->cameras.size(), 12u);
  EXPECT_EQ(config->cameras[3].model, "Ravix-D210");
  EXPECT_TRUE(config->cameras[4].login.has_value());
  EXPECT_FALSE(config->cameras[3].login.has_value());
  EXPECT_TRUE(config->cameras[2].mac.empty());
  EXPECT_FALSE(config->cameras[10].isCamera);
  EXPECT_FALSE(camsim::MakeProfile("fancy", 1, error));
  EXPECT_FALSE(camsim::MakeProfile("plain", 501, error));
}

}  // namespace
