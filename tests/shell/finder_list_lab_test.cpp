// ravixfinder --list end to end: two simulators on the lab's two links (one zeroconf),
// the real program in the pc namespace with a throw-away profile, its JSON parsed.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>
#include <map>
#include <memory>
#include <string>

#include "tests/support/camsim_process.h"

namespace {

std::string Env(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  return v != nullptr ? v : "";
}

std::string Output(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  const int rc = pclose(p);
  if (status != nullptr) *status = rc;
  return out;
}

// The memory map of a running process; empty once it has ended.
std::string Maps(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/maps");
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Starts args with the given home, offscreen, output discarded.
pid_t Start(const std::vector<std::string>& args, const std::string& home) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (std::freopen("/dev/null", "w", stdout) == nullptr || std::freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

std::string FinderBinary() {
  const std::string dir = Env("RAVIX_BINARY_DIR");
  return dir.empty() ? RAVIX_FINDER_BINARY : dir + "/shell/ravixfinder";
}

// Hardware address of camera namespace link's interface, written 00-1e-... in lower case.
std::string CameraLinkMac(int link) {
  const std::string ns = Env("NETLAB_CAM" + std::to_string(link));
  const std::string out = Output("ip -n " + ns + " -o link show dev " + Env("NETLAB_CAM" + std::to_string(link) + "_IF"));
  const auto at = out.find("link/ether ");
  if (at == std::string::npos) return "";
  std::string mac = out.substr(at + 11, 17);
  std::replace(mac.begin(), mac.end(), ':', '-');
  return mac;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

const char* const kOffice = R"({"cameras": [
  {"model": "Ravix-B120", "serial": "ZV000101", "mac": "00-1e-c0-00-01-01"},
  {"model": "Ravix-B120", "serial": "ZV000102", "mac": "00-1e-c0-00-01-02", "login": {"username": "admin", "password": "zorvik"}},
  {"model": "Ravix-D210", "serial": "ZV000103", "mac": "00-1e-c0-00-01-03"},
  {"model": "Ravix-B120", "serial": "ZV000104", "mac": "00-1e-c0-00-01-04", "faults": {"no_answer": true}},
  {"model": "Ravix2-B300", "serial": "ZV000105"},
  {"model": "Ravix-B120", "serial": "ZV000106", "mac": "00-1e-c0-00-01-06"},
  {"model": "Ravix-B120", "serial": "ZV000107", "mac": "00-1e-c0-00-01-07", "fwversion": "3.2.1"},
  {"model": "Ravix-B120", "serial": "ZV000108", "mac": "00-1e-c0-00-01-08"}],
 "services": [{"name": "Office Printer", "host": "office-printer", "txt": {"txtvers": "1", "path": "/"}},
              {"name": "=HYPERLINK(\"http://x.test/\",\"open\")\u001b[31m", "host": "formula-host",
               "txt": {"txtvers": "1"}}]})";
const char* const kZeroconf = R"({"cameras": [
  {"model": "Ravix-B120", "serial": "ZV000201", "mac": "00-1e-c0-00-02-01", "ipv4_net": "192.168.0.201"},
  {"model": "Ravix-B120", "serial": "ZV000202", "mac": "00-1e-c0-00-02-02", "ipv4_net": "192.168.0.202",
   "login": {"username": "admin", "password": "zorvik"}},
  {"model": "Ravix-B120", "serial": "ZV000203", "ipv4_net": "192.168.0.203"},
  {"model": "Ravix2-B300", "serial": "ZV000204", "mac": "00-1e-c0-00-02-04", "ipv4_net": "192.168.0.204"}]})";

constexpr int kCameraCount = 12;
constexpr int kOtherServices = 2;  // the printer and a host named like a formula

class FinderList : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (Env("NETLAB_ID").empty() || Env("NETLAB_LINKS") != "2") return;
    for (int link = 0; link < 2; ++link) {
      CamsimProcess::Options options;
      options.cameraNamespace = Env("NETLAB_CAM" + std::to_string(link));
      options.camerasJson = link == 0 ? kOffice : kZeroconf;
      sims_[link] = std::make_unique<CamsimProcess>(options);
      std::string error;
      if (!sims_[link]->Start(&error)) {
        startError_ = "simulator " + std::to_string(link) + ": " + error;
        return;
      }
    }
    char pattern[] = "/tmp/finder-list-XXXXXX";
    if (mkdtemp(pattern) != nullptr) home_ = pattern;
  }
  static void TearDownTestSuite() {
    for (auto& sim : sims_) sim.reset();
    if (!home_.empty()) std::filesystem::remove_all(home_);
  }
  void SetUp() override {
    if (Env("NETLAB_ID").empty()) GTEST_SKIP() << "not inside tools/netlab";
    ASSERT_EQ(Env("NETLAB_LINKS"), "2") << "the lab needs the office and the zeroconf link";
    ASSERT_TRUE(startError_.empty()) << startError_;
    ASSERT_FALSE(home_.empty());
  }

  // Runs the finder; the listing by serial (services without serial by name).
  static std::map<std::string, nlohmann::json> List(const std::string& extra = "") {
    const std::string command = "env HOME=" + home_ + " XDG_CONFIG_HOME=" + home_ + "/config XDG_DATA_HOME=" + home_ +
                                "/data " + FinderBinary() + " --list --seconds 5 --format json " + extra +
                                " 2>" + home_ + "/stderr";
    int status = -1;
    const std::string out = Output(command, &status);
    EXPECT_EQ(status, 0) << "ravixfinder ended with status " << status;
    const nlohmann::json list = nlohmann::json::parse(out, nullptr, false);
    std::map<std::string, nlohmann::json> bySerial;
    if (list.is_discarded() || !list.is_array()) {
      ADD_FAILURE() << "not a JSON list: " << out;
      return bySerial;
    }
    for (const nlohmann::json& row : list) {
      std::string key = row.value("Serial", "");
      if (key.empty()) key = row.value("Name", "");
      EXPECT_EQ(bySerial.count(key), 0u) << key << " listed twice";
      bySerial[key] = row;
    }
    return bySerial;
  }

  static std::unique_ptr<CamsimProcess> sims_[2];
  static std::string startError_;
  static std::string home_;
};

std::unique_ptr<CamsimProcess> FinderList::sims_[2];
std::string FinderList::startError_;
std::string FinderList::home_;

TEST_F(FinderList, EveryCameraOnceOnItsLinkWithSettingsAndHardwareAddress) {
  const auto cameras = List();
  EXPECT_EQ(cameras.size(), static_cast<std::size_t>(kCameraCount));
  EXPECT_EQ(cameras.count("Office Printer"), 0u) << "only cameras without --all";
  const std::string arpMac[2] = {CameraLinkMac(0), CameraLinkMac(1)};
  for (int link = 0; link < 2; ++link) {
    for (int n = 1; n <= (link == 0 ? 8 : 4); ++n) {
      char serial[16];
      std::snprintf(serial, sizeof serial, "ZV000%d%02d", link + 1, n);
      SCOPED_TRACE(serial);
      const auto found = cameras.find(serial);
      ASSERT_NE(found, cameras.end());
      const nlohmann::json& row = found->second;
      EXPECT_EQ(row.value("Connected To", ""), Env("NETLAB_PC" + std::to_string(link) + "_IF"));
      const bool advertisesMac = !(link == 0 && n == 5) && !(link == 1 && n == 3);
      char advertised[32];
      std::snprintf(advertised, sizeof advertised, "00-1e-c0-00-0%d-%02d", link + 1, n);
      EXPECT_EQ(Lower(row.value("MAC", "")), advertisesMac ? advertised : arpMac[link]);

      const bool login = n == 2;
      const bool silent = link == 0 && n == 4;
      EXPECT_EQ(row.value("Reachable", ""), silent ? "no" : "yes");
      if (silent) {
        EXPECT_EQ(row.value("DHCP", ""), "");
        EXPECT_EQ(row.value("Prefix", ""), "");
      } else if (login) {
        EXPECT_EQ(row.value("DHCP", ""), "disabled") << "the empty block";
        EXPECT_EQ(row.value("Prefix", ""), "0");
        EXPECT_EQ(row.value("Gateway", ""), "");
      } else {
        const std::string host = "ravix-" + Lower(serial);
        EXPECT_EQ(row.value("DHCP", ""), "disabled");
        EXPECT_EQ(row.value("Prefix", ""), sims_[link]->GetParameter(host, "Network.NetPrefix").value_or("?"));
        EXPECT_EQ(row.value("Gateway", ""), sims_[link]->GetParameter(host, "Network.Gateway").value_or("?"));
        EXPECT_EQ(row.value("Name Server", ""), sims_[link]->GetParameter(host, "Network.NameServer").value_or("?"));
      }
    }
  }
}

TEST_F(FinderList, OtherServicesOnlyWithAll) {
  const auto everything = List("--all");
  EXPECT_EQ(everything.size(), static_cast<std::size_t>(kCameraCount + kOtherServices));
  const auto printer = everything.find("Office Printer");
  ASSERT_NE(printer, everything.end());
  EXPECT_EQ(printer->second.value("Reachable", ""), "no") << "never read over HTTP";
}

// A host named like a spreadsheet formula with a terminal escape in it: into a pipe the
// CSV keeps the name exactly but never as a live formula; on a terminal the escape is
// shown, not obeyed.
TEST_F(FinderList, HostileNamesStayDataInCsvAndInertOnATerminal) {
  const std::string env = "env HOME=" + home_ + " XDG_CONFIG_HOME=" + home_ + "/config XDG_DATA_HOME=" + home_ + "/data ";
  const std::string list = FinderBinary() + " --list --all --seconds 3 --format csv";
  const std::string piped = Output(env + list + " 2>/dev/null");
  const std::string name = "=HYPERLINK(\"\"http://x.test/\"\",\"\"open\"\")\x1b[31m";
  EXPECT_NE(piped.find(",\"'" + name + "\","), std::string::npos) << piped;
  EXPECT_EQ(piped.find(",=HYPERLINK"), std::string::npos) << piped;
  // script(1) runs the finder on a terminal of its own and copies what it shows.
  const std::string shown = Output(env + "script -qec '" + list + " 2>/dev/null' /dev/null");
  EXPECT_NE(shown.find("'=HYPERLINK(\"\"http://x.test/\"\",\"\"open\"\")\\x1b[31m"), std::string::npos) << shown;
  EXPECT_EQ(shown.find('\x1b'), std::string::npos) << "an escape byte reached the terminal";
}

TEST_F(FinderList, TxtChangeAndRemovalShowInTheNextListing) {
  // The simulator replaces the whole TXT record: change one key of the current one.
  nlohmann::json txt;
  for (const nlohmann::json& device : sims_[0]->List())
    if (device.value("host", "") == "ravix-zv000107") txt = device["txt"];
  ASSERT_TRUE(txt.is_object());
  txt["fwversion.zorvnet"] = "3.3.0";
  ASSERT_TRUE(sims_[0]->SetTxt("ravix-zv000107", txt));
  ASSERT_TRUE(sims_[0]->RemoveCamera("ravix-zv000108"));
  const auto cameras = List();
  const auto changed = cameras.find("ZV000107");
  ASSERT_NE(changed, cameras.end());
  EXPECT_EQ(changed->second.value("Firmware", ""), "3.3.0");
  EXPECT_EQ(cameras.count("ZV000108"), 0u);
  EXPECT_EQ(cameras.size(), static_cast<std::size_t>(kCameraCount - 1));
}

// The listing maps no window library (they cost it memory); the window finds and loads
// the module it lives in and stays open.
TEST_F(FinderList, TheListingMapsNoWindowLibrariesAndTheWindowLoadsItsModule) {
  const pid_t list = Start({FinderBinary(), "--list", "--seconds", "3"}, home_);
  ASSERT_GT(list, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const std::string listMaps = Maps(list);
  int status = -1;
  ASSERT_EQ(waitpid(list, &status, 0), list);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_NE(listMaps.find("libQt6Core"), std::string::npos) << "read while it ran";
  for (const char* library : {"libQt6Widgets", "libQt6Gui", "ravixfinder-window"})
    EXPECT_EQ(listMaps.find(library), std::string::npos) << library << " is mapped by --list";

  const pid_t window = Start({FinderBinary()}, home_);
  ASSERT_GT(window, 0);
  std::string windowMaps;
  for (int i = 0; i < 200 && windowMaps.find("libQt6Widgets") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    windowMaps = Maps(window);
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const bool open = waitpid(window, &status, WNOHANG) == 0;
  if (open) {
    kill(window, SIGTERM);
    waitpid(window, &status, 0);
  }
  EXPECT_TRUE(open) << "the window ended with status " << status;
  EXPECT_NE(windowMaps.find("ravixfinder-window.so"), std::string::npos);
  EXPECT_NE(windowMaps.find("libQt6Widgets"), std::string::npos);
}

}  // namespace
