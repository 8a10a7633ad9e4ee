// The finder's window offscreen in a lab with a router (tools/netlab --routed): a far
// camera published by dnsmasq (in the router namespace) in a browse domain, another one
// added by address. Records of a browse domain arrive with no interface; the tree shows
// such a camera under the root until its completion gives it the adapter of its route,
// then under that adapter, where the camera found by address sits from the start.
#include <gtest/gtest.h>
#include <net/if.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>
#include <vector>

#include "gui/app/main_frame.h"
#include "gui/app/ravix_finder_app.h"
#include "gui/app/ravix_finder_doc.h"
#include "gui/models/camera_tree_model.h"
#include "gui/widgets/cameras_view.h"
#include "records/browse_record.h"
#include "tests/support/camsim_process.h"
#include "tests/support/qt_pump.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// dnsmasq in the router namespace serving the DNS-SD records of camera far01 in domain
// cameras.test; stopped at the end.
class LabDnsServer {
 public:
  LabDnsServer(const std::string& address, const std::string& folder) {
    const std::string type = "_http._tcp.cameras.test";
    std::vector<std::string> args = {"/usr/bin/ip", "netns", "exec", Env("NETLAB_ROUTER"), "/usr/sbin/dnsmasq",
                                     "--keep-in-foreground", "--conf-file=/dev/null", "--bind-interfaces",
                                     "--listen-address=" + Env("NETLAB_ROUTER_ADDR"), "--no-resolv", "--no-hosts",
                                     "--user=root", "--pid-file=" + folder + "/dnsmasq.pid",
                                     "--dhcp-leasefile=" + folder + "/leases",
                                     "--ptr-record=" + type + ",far01." + type,
                                     "--srv-host=far01." + type + ",far01.cameras.test,80",
                                     "--txt-record=far01." + type + ",vendor.zorvnet=Zorvik,serial.zorvnet=ZV900001,"
                                     "ipv4-net.zorvnet=" + address,
                                     "--host-record=far01.cameras.test," + address};
    pid_ = fork();
    if (pid_ != 0) return;
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  ~LabDnsServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  LabDnsServer(const LabDnsServer&) = delete;
  LabDnsServer& operator=(const LabDnsServer&) = delete;

 private:
  pid_t pid_ = -1;
};

// The ID of the record named name, 0 when there is none.
uint32_t RecordNamed(CRavixFinderDoc& doc, const std::string& name, CBrowseRecord& record) {
  std::vector<uint32_t> ids;
  doc.Finder().GetRecordIDs(ids);
  for (uint32_t id : ids)
    if (doc.GetRecord(id, record) && record.ServiceName == name) return id;
  return 0;
}

TEST(RoutedWindowLab, FarCamerasSitUnderTheAdapterOfTheirRoute) {
  if (Env("NETLAB_FAR").empty()) GTEST_SKIP() << "needs the lab with --routed";
  const std::string far01 = "10.41.1.10", far02 = "10.41.1.11";
  CamsimProcess::Options simOptions;
  simOptions.cameraNamespace = Env("NETLAB_FAR");
  simOptions.camerasJson = nlohmann::json{{"cameras",
                                           {{{"name", "far01"}, {"host", "far01"}, {"address", far01},
                                             {"ipv4_net", far01}, {"serial", "ZV900001"}},
                                            {{"name", "far02"}, {"host", "far02"}, {"address", far02},
                                             {"ipv4_net", far02}, {"serial", "ZV900002"},
                                             {"parameters", {{"Network.HostName", "far02"}}}}}}}
                               .dump();
  CamsimProcess sim(simOptions);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  // far01 answers slowly (within the 1 s timeout), so that the window shows it before its
  // completion.
  ASSERT_TRUE(sim.SetFaults("far01", {{"delay_ms", 700}}, &error)) << error;
  QTemporaryDir dir;
  LabDnsServer dns(far01, dir.path().toStdString());

  const QString profile = dir.filePath(QStringLiteral("finder.ini"));
  QFile ini(profile);
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write(("[Settings]\nBrowseDomains=cameras.test\nDnsServers=" + Env("NETLAB_ROUTER_ADDR") +
             "\nAddresses=" + far02 + "\n")
                .c_str());
  ini.close();
  CRavixFinderApp::Options options;
  options.profileFile = profile;
  options.instanceDirectory = dir.path();
  options.showMessage = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
  CRavixFinderApp app(options);
  ASSERT_TRUE(app.InitInstance());
  CRavixFinderDoc& doc = *app.Document();
  auto* view = dynamic_cast<CCamerasView*>(app.MainFrame()->ActiveView());
  ASSERT_NE(view, nullptr) << "the tree is the default view";
  const CameraTreeModel& tree = view->Model();
  const NodeTag routeAdapter = NodeTag::AdapterTag(if_nametoindex(Env("NETLAB_PCR_IF").c_str()));
  auto parentTag = [&](uint32_t id) { return tree.TagOf(tree.FindNodeByTag(NodeTag::CameraTag(id)).parent()); };

  // The record as the browse domain gives it: no interface, not completed yet.
  CBrowseRecord record;
  uint32_t id = 0;
  ASSERT_TRUE(PumpUntil([&] { return (id = RecordNamed(doc, "far01", record)) != 0; }, 20000))
      << "far01 not found in the browse domain";
  ASSERT_FALSE(record.NetworkSettingsValid) << "completed before the slow answer";
  EXPECT_EQ(record.InterfaceIndex, 0u);
  doc.Store().Apply({RecordOperation::Update, id});
  EXPECT_EQ(parentTag(id), NodeTag::RootTag()) << "a camera of no known adapter sits under the root";

  ASSERT_TRUE(PumpUntil([&] { return RecordNamed(doc, "far01", record) != 0 && record.NetworkSettingsValid; }, 30000));
  ASSERT_TRUE(PumpUntil([&] { return parentTag(id) == routeAdapter; }, 5000))
      << "far01 did not move under " << Env("NETLAB_PCR_IF");

  uint32_t byAddress = 0;
  ASSERT_TRUE(PumpUntil([&] { return (byAddress = RecordNamed(doc, "far02", record)) != 0 && record.NetworkSettingsValid; },
                        30000))
      << "far02 not found by address";
  ASSERT_TRUE(PumpUntil([&] { return parentTag(byAddress) == routeAdapter; }, 5000));
  EXPECT_EQ(tree.TagOf(tree.FindNodeByTag(routeAdapter).parent()), NodeTag::RootTag());

  app.MainFrame()->close();
  EXPECT_EQ(app.ExitInstance(0), 0);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
