// Cameras beyond the PC's links, in a lab with a router (tools/netlab --routed): far
// cameras behind a router that forwards no multicast, published in a test domain by a
// real DNS server (dnsmasq in the router namespace), found by browsing that domain and by
// added addresses; an on-link camera whose multicast is dropped (nftables in its
// namespace) found by a direct DNS-SD query; hostile DNS servers and hostile unicast
// responders. The finder runs as `ravixfinder --list --format json`, as a user would run
// it. Argument "platform": multicast DNS-SD through a private avahi-daemon; otherwise the
// embedded responder. The browse domains are looked up by the finder itself either way.
//
// Lab: --routed 10.40.0.1/24=10.40.0.254/24,10.41.0.1/22=10.41.1.10/22x4
//      --link 192.168.77.1/24=192.168.77.10/24x2

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "discovery/unicast_dnssd_query.h"
#include "tests/discovery/lab_avahi_daemon.h"
#include "tests/support/camsim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

bool gPlatform = false;
std::string gDir;  // temporary folder of this run

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A program in the background (in a lab namespace when ns is given); killed at the end.
class Background {
 public:
  Background(const std::string& ns, const std::vector<std::string>& args, const std::string& log) {
    std::vector<std::string> argv;
    if (!ns.empty()) argv = {"/usr/bin/ip", "netns", "exec", ns};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = fork();
    if (pid_ != 0) return;
    setpgid(0, 0);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    execv(raw[0], raw.data());
    _exit(127);
  }
  ~Background() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

 private:
  pid_t pid_ = -1;
};

// A web server that is no camera (it answers every request with 404), listening on
// address:80 inside network namespace ns; its thread enters the namespace first.
class OtherWebServer {
 public:
  OtherWebServer(const std::string& ns, const std::string& address) {
    thread_ = std::thread([this, ns, address] {
      const int nsFd = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
      if (nsFd < 0 || setns(nsFd, CLONE_NEWNET) != 0) return;
      close(nsFd);
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in at{};
      at.sin_family = AF_INET;
      at.sin_port = htons(80);
      inet_pton(AF_INET, address.c_str(), &at.sin_addr);
      if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(fd, 16) != 0) {
        close(fd);
        return;
      }
      listening_ = true;
      while (!stop_) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        const int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        char request[2048];
        [[maybe_unused]] auto got = recv(client, request, sizeof request, 0);
        const char answer[] = "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here\n";
        [[maybe_unused]] auto sent = send(client, answer, sizeof answer - 1, MSG_NOSIGNAL);
        close(client);
      }
      close(fd);
    });
  }
  ~OtherWebServer() {
    stop_ = true;
    thread_.join();
  }
  OtherWebServer(const OtherWebServer&) = delete;
  OtherWebServer& operator=(const OtherWebServer&) = delete;
  bool Listening() const { return listening_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<bool> listening_{false};
  std::thread thread_;
};

struct FinderRun {
  int exitCode = -1;
  std::string out;
  std::string err;
  double seconds = 0;
  nlohmann::json rows;
};

// ravixfinder with its own settings folder; stdout parsed as the JSON listing (for the
// default mode).
FinderRun RunFinder(const std::string& args, const std::string& mode = "--list --format json") {
  static int runs = 0;
  const std::string base = gDir + "/run" + std::to_string(++runs);
  std::filesystem::create_directories(base + "/home");
  const std::string command = "env HOME=" + base + "/home XDG_CONFIG_HOME=" + base + "/home/.config " +
                              Env("RAVIX_BINARY_DIR") + "/shell/ravixfinder " + mode + " " + args + " >" +
                              base + "/out 2>" + base + "/err";
  FinderRun run;
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadAll(base + "/out");
  run.err = ReadAll(base + "/err");
  run.rows = nlohmann::json::parse(run.out, nullptr, false);
  if (!run.rows.is_array()) run.rows = nlohmann::json::array();
  return run;
}

const nlohmann::json* Row(const FinderRun& run, const std::string& name) {
  for (const auto& row : run.rows)
    if (row.value("Name", "") == name) return &row;
  return nullptr;
}

std::string Routes() {
  const std::string path = gDir + "/routes";
  std::system(("ip -4 route show table all >" + path).c_str());
  return ReadAll(path);
}

// The far cameras, their DNS records and the lab around them.
constexpr const char* kDomain = "cameras.test";
const std::vector<std::map<std::string, std::string>> kFar = {
    {{"name", "far01"}, {"address", "10.41.1.10"}, {"serial", "ZV900001"}, {"mac", "02-00-00-00-90-01"}},
    {{"name", "far02"}, {"address", "10.41.1.11"}, {"serial", "ZV900002"}, {"mac", ""}},
    {{"name", "far03"}, {"address", "10.41.1.12"}, {"serial", "ZV900003"}, {"mac", ""}},
};
constexpr const char* kOtherHost = "10.41.1.13";  // a web server that is no camera
constexpr const char* kNear = "192.168.77.11";    // on-link camera with multicast dropped

std::string FarCamerasJson() {
  nlohmann::json cams = nlohmann::json::array();
  for (const auto& c : kFar) {
    nlohmann::json cam = {{"name", c.at("name")}, {"host", c.at("name")}, {"address", c.at("address")},
                          {"serial", c.at("serial")}, {"ipv4_net", c.at("address")},
                          {"parameters", {{"Network.HostName", c.at("name")}}}};
    if (!c.at("mac").empty()) cam["mac"] = c.at("mac");
    cams.push_back(cam);
  }
  return nlohmann::json{{"cameras", cams}}.dump();
}

std::vector<std::string> DnsmasqArgs() {
  const std::string type = std::string("_http._tcp.") + kDomain;
  std::vector<std::string> args = {"/usr/sbin/dnsmasq", "--keep-in-foreground", "--conf-file=/dev/null", "--port=53",
                                   "--bind-interfaces", "--listen-address=" + Env("NETLAB_ROUTER_ADDR"),
                                   "--no-resolv", "--no-hosts", "--local-ttl=60", "--user=root",
                                   "--pid-file=" + gDir + "/dnsmasq.pid", "--dhcp-leasefile=" + gDir + "/leases",
                                   "--log-queries"};
  for (const auto& c : kFar) {
    const std::string instance = c.at("name") + "." + type;
    const std::string host = c.at("name") + "." + kDomain;
    std::string txt = "vendor.zorvnet=Zorvik,model.zorvnet=Ravix-B100,serial.zorvnet=" + c.at("serial") +
                      ",ipv4-net.zorvnet=" + c.at("address");
    if (!c.at("mac").empty()) txt += ",macaddress.zorvnet=" + c.at("mac");
    args.push_back("--ptr-record=" + type + "," + instance);
    args.push_back("--srv-host=" + instance + "," + host + ",80");
    args.push_back("--txt-record=" + instance + "," + txt);
    args.push_back("--host-record=" + host + "," + c.at("address"));
  }
  return args;
}

class BeyondLink : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CamsimProcess::Options far;
    far.cameraNamespace = Env("NETLAB_FAR");
    far.camerasJson = FarCamerasJson();
    farSim_ = new CamsimProcess(far);
    std::string error;
    ASSERT_TRUE(farSim_->Start(&error)) << error;
    // The near camera's namespace drops mDNS multicast both ways; unicast still passes.
    const std::string nft = "ip netns exec " + Env("NETLAB_CAM0") +
                            " nft -f - <<'EOF'\ntable inet nomdns {\n"
                            "  chain in { type filter hook input priority 0; ip daddr 224.0.0.251 drop; }\n"
                            "  chain out { type filter hook output priority 0; ip daddr 224.0.0.251 drop; }\n}\nEOF";
    ASSERT_EQ(std::system(nft.c_str()), 0);
    CamsimProcess::Options near;
    near.camerasJson = nlohmann::json{{"cameras",
                                       {{{"name", "NEAR01"}, {"host", "near01"}, {"address", kNear},
                                         {"serial", "ZV800001"}, {"ipv4_net", kNear}}}}}
                           .dump();
    nearSim_ = new CamsimProcess(near);
    ASSERT_TRUE(nearSim_->Start(&error)) << error;
    dns_ = new Background(Env("NETLAB_ROUTER"), DnsmasqArgs(), gDir + "/dnsmasq.log");
    web_ = new OtherWebServer(Env("NETLAB_FAR"), kOtherHost);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(web_->Listening());
  }
  static void TearDownTestSuite() {
    delete web_;
    delete dns_;
    delete nearSim_;
    delete farSim_;
  }

  // The options that point the finder at the lab's DNS server: the embedded responder
  // is told the server; avahi-daemon has it from its resolv.conf.
  static std::string DnsServerOption() {
    return gPlatform ? std::string() : " --dns-server " + Env("NETLAB_ROUTER_ADDR");
  }

  static inline CamsimProcess* farSim_ = nullptr;
  static inline CamsimProcess* nearSim_ = nullptr;
  static inline Background* dns_ = nullptr;
  static inline OtherWebServer* web_ = nullptr;
};

TEST_F(BeyondLink, BrowseDomainListsFarCamerasThroughTheRouterAndLeavesRoutesAlone) {
  const std::string routesBefore = Routes();
  const FinderRun run = RunFinder(std::string("--seconds 4 --domain ") + kDomain + DnsServerOption());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("wide-area lookups switched off"), std::string::npos) << run.err;
  for (const auto& c : kFar) {
    const nlohmann::json* row = Row(run, c.at("name") + " (" + kDomain + ")");  // the list shows the domain
    ASSERT_NE(row, nullptr) << c.at("name") << " missing in " << run.out << "\n" << run.err;
    EXPECT_EQ((*row)["Reachable"], "yes") << row->dump();
    EXPECT_EQ((*row)["Serial"], c.at("serial"));
    EXPECT_EQ((*row)["Model"], "Ravix-B100");
    EXPECT_EQ((*row)["Hostname"], c.at("name") + "." + kDomain);
    EXPECT_NE((*row)["IP Address(es)"].get<std::string>().find(c.at("address")), std::string::npos);
    EXPECT_EQ((*row)["Connected To"], Env("NETLAB_PCR_IF"));  // the adapter of its route
    EXPECT_EQ((*row)["MAC"], c.at("mac"));                    // the TXT record's, never ARP's
    EXPECT_EQ((*row)["Prefix"], "22");                        // its settings were read
  }
  EXPECT_EQ(Row(run, "NEAR01"), nullptr) << "multicast of the near camera is dropped";
  EXPECT_EQ(Routes(), routesBefore);
}

TEST_F(BeyondLink, AddedAddressesFindFarCamerasOnlinkCameraAndSkipOtherHosts) {
  const std::string routesBefore = Routes();
  // A range with three far cameras, a web server and empty addresses; one on-link camera
  // whose multicast is dropped; one empty on-link address.
  const FinderRun run = RunFinder("--trace --seconds 1 --address 10.41.1.8-15 --address 192.168.77.11 --address 192.168.77.20");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.rows.size(), kFar.size() + 1) << run.out;
  for (const auto& c : kFar) {
    const nlohmann::json* row = Row(run, c.at("name") + " (by address)");  // its host name setting
    ASSERT_NE(row, nullptr) << c.at("name") << " missing in " << run.out;
    EXPECT_EQ((*row)["Reachable"], "yes");
    EXPECT_EQ((*row)["Serial"], c.at("serial"));  // read from its parameter interface
    EXPECT_EQ((*row)["Connected To"], Env("NETLAB_PCR_IF"));
  }
  // The direct DNS-SD query gives the record multicast would have given.
  const nlohmann::json* near = Row(run, "NEAR01");
  ASSERT_NE(near, nullptr) << run.err;
  EXPECT_EQ((*near)["Hostname"], "near01.local");
  EXPECT_EQ((*near)["Serial"], "ZV800001");
  EXPECT_EQ((*near)["Connected To"], Env("NETLAB_PC0_IF"));
  EXPECT_FALSE((*near)["MAC"].get<std::string>().empty()) << "on-link: MAC by ARP";
  EXPECT_LT(run.seconds, 20.0);
  EXPECT_EQ(Routes(), routesBefore);
}

TEST_F(BeyondLink, UpdateFirmwareReachesFarCamerasByDomainAndByAddress) {
  const std::string image = gDir + "/camera.bin";
  const std::string bytes = CamsimProcess::FirmwareImage(200000, "9.1.1");
  std::ofstream(image, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  // far01 named by its service in the browse domain, far02 by its serial number at its address.
  const FinderRun run = RunFinder(std::string("--seconds 8 --camera far01 --camera ZV900002 --domain ") + kDomain +
                                      DnsServerOption() + " --address 10.41.1.11",
                                  "--update-firmware " + image);
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  for (const char* camera : {"far01", "far02"})
    EXPECT_EQ(farSim_->GetParameter(camera, "Device.FirmwareVersion").value_or("?"), "9.1.1") << camera << run.out;
  EXPECT_NE(farSim_->GetParameter("far03", "Device.FirmwareVersion").value_or("?"), "9.1.1") << "not named";
}

TEST_F(BeyondLink, RefusedAddressesAndDomainsNameTheFault) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"--address 10.41.1", "not an IPv4 address"},
      {"--address 10.40.0.0/21", "wider than /22"},
      {"--address 224.0.0.251", "multicast"},
      {"--address 255.255.255.255", "broadcast"},
      {"--address 10.41.1.20-10", "ends before it starts"},
      {"--domain 'bad domain'", "character"},
  };
  for (const auto& [args, text] : cases) {
    const FinderRun run = RunFinder(args);
    EXPECT_EQ(run.exitCode, 2) << args;
    EXPECT_NE(run.err.find(text), std::string::npos) << args << ": " << run.err;
    EXPECT_TRUE(run.out.empty()) << args;
  }
}

// --- hostile servers ---------------------------------------------------------------------

void PutName(std::vector<unsigned char>& p, const std::string& name) {
  std::size_t start = 0;
  while (start < name.size()) {
    auto dot = name.find('.', start);
    if (dot == std::string::npos) dot = name.size();
    p.push_back(static_cast<unsigned char>(dot - start));
    p.insert(p.end(), name.begin() + static_cast<long>(start), name.begin() + static_cast<long>(dot));
    start = dot + 1;
  }
  p.push_back(0);
}

void Put16(std::vector<unsigned char>& p, unsigned v) {
  p.push_back(static_cast<unsigned char>(v >> 8));
  p.push_back(static_cast<unsigned char>(v));
}

void PutRecord(std::vector<unsigned char>& p, const std::string& owner, unsigned type,
               const std::vector<unsigned char>& rdata) {
  PutName(p, owner);
  Put16(p, type);
  Put16(p, 1);
  Put16(p, 0);
  Put16(p, 120);
  Put16(p, static_cast<unsigned>(rdata.size()));
  p.insert(p.end(), rdata.begin(), rdata.end());
}

// An answer header under the query's ID repeating its question (as a responder answers a
// direct query).
std::vector<unsigned char> Header(const unsigned char* query, std::size_t length, unsigned answers) {
  std::vector<unsigned char> p = {query[0], query[1], 0x84, 0x00, 0, 1, 0, 0, 0, 0, 0, 0};
  p[7] = static_cast<unsigned char>(answers);
  std::size_t end = 12;
  while (end < length && query[end] != 0) end += query[end] + 1u;
  if (end + 5 > length) {
    p[5] = 0;
    return p;
  }
  for (std::size_t i = 12; i < end + 5; ++i) p.push_back(query[i]);
  return p;
}

std::vector<unsigned char> NameData(const std::string& name) {
  std::vector<unsigned char> d;
  PutName(d, name);
  return d;
}

std::vector<unsigned char> SrvData(const std::string& host, unsigned port) {
  std::vector<unsigned char> d = {0, 0, 0, 0};
  Put16(d, port);
  PutName(d, host);
  return d;
}

std::vector<unsigned char> TxtData(const std::vector<std::string>& entries) {
  std::vector<unsigned char> d;
  for (const std::string& e : entries) {
    d.push_back(static_cast<unsigned char>(e.size()));
    d.insert(d.end(), e.begin(), e.end());
  }
  return d;
}

// far01's address, claimed by hosts that are not far01.
constexpr const char* kClaimedAddress = "10.41.1.10";

// The hostile answers, one per kind; "good" is a well-formed full answer, "claims" one
// whose TXT record names another host's address, "wrongid" one under another ID,
// "otherquestion" one to a question not asked; "spoofed" (HostileServer) is the good
// answer sent from another address.
std::vector<unsigned char> HostileAnswer(const std::string& kind, const unsigned char* query, std::size_t length,
                                         const std::string& type) {
  const std::string instance = "good." + type;
  if (kind == "garbage") {
    std::vector<unsigned char> p(query, query + 2);
    for (int i = 0; i < 300; ++i) p.push_back(static_cast<unsigned char>(i * 37 + 11));
    return p;
  }
  if (kind == "loop") {  // a compression pointer to itself as the PTR target
    std::vector<unsigned char> p = Header(query, length, 1);
    PutName(p, type);
    Put16(p, 12);
    Put16(p, 1);
    Put16(p, 0);
    Put16(p, 120);
    Put16(p, 2);
    const auto at = p.size();
    Put16(p, 0xC000u | static_cast<unsigned>(at));
    return p;
  }
  if (kind == "cname") {  // an endless chain of aliases, each to the next
    std::vector<unsigned char> p = Header(query, length, 60);
    for (int i = 0; i < 60; ++i)
      PutRecord(p, "a" + std::to_string(i) + ".chain.test", 5, NameData("a" + std::to_string(i + 1) + ".chain.test"));
    return p;
  }
  if (kind == "other") {  // answers for other names only
    std::vector<unsigned char> p = Header(query, length, 3);
    PutRecord(p, "_ipp._tcp.local", 12, NameData("evil._ipp._tcp.local"));
    PutRecord(p, "evil._ipp._tcp.local", 33, SrvData("evil.local", 631));
    PutRecord(p, "x.good." + type, 16, TxtData({"vendor.zorvnet=Evil"}));
    return p;
  }
  if (kind == "huge") {  // a full datagram of PTR records
    std::vector<unsigned char> p = Header(query, length, 0);
    unsigned count = 0;
    while (p.size() < 8900) {
      PutRecord(p, type, 12, NameData("n" + std::to_string(count) + "." + type));
      ++count;
    }
    p[6] = static_cast<unsigned char>(count >> 8);
    p[7] = static_cast<unsigned char>(count);
    return p;
  }
  std::vector<unsigned char> p = Header(query, length, 3);
  if (kind == "wrongid") p[1] ^= 0x5A;
  if (kind == "otherquestion") {  // the right ID, but the answer to a question not asked
    p.resize(12);
    PutName(p, "good." + type);
    Put16(p, 33);
    Put16(p, 1);
  }
  PutRecord(p, type, 12, NameData(instance));
  PutRecord(p, instance, 33, SrvData("good-host.local", 8080));
  // "claims": a TXT record naming another host's address as the camera's.
  std::vector<std::string> txt = {"vendor.zorvnet=Zorvik", "serial.zorvnet=ZV777"};
  if (kind == "claims") txt.push_back(std::string("ipv4-net.zorvnet=") + kClaimedAddress);
  PutRecord(p, instance, 16, TxtData(txt));
  if (kind == "truncated") p.resize(p.size() - 9);
  return p;
}

// Answers every datagram on address:port with the answer of kind until stopped, in
// network namespace ns when given (its thread enters it). Kind "spoofed" sends the good
// answer from spoofFrom instead.
class HostileServer {
 public:
  HostileServer(const std::string& address, uint16_t port, std::string kind, std::string type,
                const std::string& ns = "", const std::string& spoofFrom = "127.0.0.2")
      : kind_(std::move(kind)), type_(std::move(type)) {
    std::promise<bool> bound;
    auto ready = bound.get_future();
    thread_ = std::thread([this, address, port, ns, spoofFrom, bound = std::move(bound)]() mutable {
      if (!ns.empty()) {
        const int nsFd = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
        const bool entered = nsFd >= 0 && setns(nsFd, CLONE_NEWNET) == 0;
        if (nsFd >= 0) close(nsFd);
        if (!entered) {
          bound.set_value(false);
          return;
        }
      }
      fd_ = Bind(address, port);
      spoof_ = Bind(spoofFrom, 0);
      bound.set_value(fd_ >= 0 && spoof_ >= 0);
      if (fd_ >= 0 && spoof_ >= 0) Serve();
    });
    bound_ = ready.get();
  }
  ~HostileServer() {
    stop_ = true;
    thread_.join();
    if (fd_ >= 0) close(fd_);
    if (spoof_ >= 0) close(spoof_);
  }
  HostileServer(const HostileServer&) = delete;
  HostileServer& operator=(const HostileServer&) = delete;
  bool Bound() const { return bound_; }
  int Queries() const { return queries_; }

 private:
  static int Bind(const std::string& address, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &at.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0) return fd;
    close(fd);
    return -1;
  }
  void Serve() {
    std::vector<unsigned char> buffer(2048);
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      sockaddr_in from{};
      socklen_t fromLength = sizeof from;
      const ssize_t got = recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (got < 12) continue;
      ++queries_;
      // The kind, or for "mixed" a different one each time, ending on the good answer.
      static const char* kMixed[] = {"garbage", "loop", "cname", "other", "huge", "truncated"};
      const std::string kind = kind_ == "mixed" ? kMixed[(queries_ - 1) % 6] : kind_;
      const std::string type = type_.empty() ? QuestionName(buffer.data(), static_cast<std::size_t>(got)) : type_;
      const auto answer = HostileAnswer(kind == "spoofed" ? "good" : kind, buffer.data(), static_cast<std::size_t>(got), type);
      sendto(kind == "spoofed" ? spoof_ : fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
             fromLength);
    }
  }
  static std::string QuestionName(const unsigned char* p, std::size_t length) {
    std::string name;
    for (std::size_t i = 12; i < length && p[i] != 0 && i + p[i] < length; i += p[i] + 1u)
      name += (name.empty() ? "" : ".") + std::string(reinterpret_cast<const char*>(p + i + 1), p[i]);
    return name;
  }

  std::string kind_, type_;
  int fd_ = -1;
  int spoof_ = -1;
  bool bound_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<int> queries_{0};
  std::thread thread_;
};

TEST_F(BeyondLink, HostileUnicastResponderGivesNothingButWellFormedServices) {
  uint32_t loopback = 0;
  inet_pton(AF_INET, "127.0.0.1", &loopback);
  ravix::UnicastQueryLimits limits;
  limits.Timeout = std::chrono::milliseconds(600);
  for (const std::string kind :
       {"garbage", "loop", "cname", "other", "huge", "truncated", "wrongid", "otherquestion", "spoofed", "good"}) {
    HostileServer server("127.0.0.1", 5353, kind, "_http._tcp.local");
    ASSERT_TRUE(server.Bound()) << "port 5353 of the pc namespace's loopback is taken";
    const auto start = Clock::now();
    const auto services = ravix::QueryUnicastDnssd({loopback}, "_http._tcp", limits);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << kind;
    if (kind != "good") {
      EXPECT_TRUE(services.empty()) << kind << ": " << (services.empty() ? "" : services[0].Name);
      continue;
    }
    ASSERT_EQ(services.size(), 1u);
    EXPECT_EQ(services[0].Name, "good");
    EXPECT_EQ(services[0].HostTarget, "good-host.local.");
    EXPECT_EQ(services[0].Port, 8080);
    EXPECT_GT(server.Queries(), 0);
  }
}

TEST_F(BeyondLink, HostileDnsServerNeitherHangsNorCrashesTheFinder) {
  HostileServer server("127.0.0.1", 53, "mixed", "");
  ASSERT_TRUE(server.Bound());
  const FinderRun run = RunFinder("--seconds 4 --domain evil.test --dns-server 127.0.0.1");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_LT(run.seconds, 30.0);
  EXPECT_GT(server.Queries(), 0);
  for (const auto& row : run.rows) {
    const std::string name = row.value("Name", "");
    for (const char c : name) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "control character in a name";
  }
}

TEST_F(BeyondLink, TheDaemonsWideAreaSwitchedOffChangesNothing) {
  if (!gPlatform) GTEST_SKIP() << "a setting of avahi-daemon";
  // The finder does the unicast DNS lookups itself, with the DNS servers of resolv.conf;
  // the daemon's own wide-area engine is never used. A configuration with it off is
  // bound over /etc/avahi/avahi-daemon.conf for one run.
  const std::string off = gDir + "/off.conf";
  std::ofstream(off) << "[server]\nuse-ipv4=yes\n[wide-area]\nenable-wide-area=no\n";
  ASSERT_EQ(std::system(("mount --bind " + off + " /etc/avahi/avahi-daemon.conf").c_str()), 0);
  const FinderRun run = RunFinder(std::string("--seconds 3 --domain ") + kDomain);
  std::system("umount /etc/avahi/avahi-daemon.conf");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err.find("wide-area"), std::string::npos) << run.err;
  const nlohmann::json* row = Row(run, std::string("far01 (") + kDomain + ")");
  ASSERT_NE(row, nullptr) << run.out << run.err;
  EXPECT_EQ((*row)["IP Address(es)"], "10.41.1.10");
}

// A host answering the direct query of the address asked with a TXT record that names
// another host's address (far01's) is listed and contacted at the address asked: it is
// no camera, so it is not reachable, where far01 would have been.
TEST_F(BeyondLink, CameraFoundByAddressIsContactedAtTheAddressAsked) {
  HostileServer liar(kOtherHost, 5353, "claims", "_http._tcp.local", Env("NETLAB_FAR"), "0.0.0.0");
  ASSERT_TRUE(liar.Bound());
  const FinderRun run = RunFinder(std::string("--seconds 1 --address ") + kOtherHost);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_GT(liar.Queries(), 0);
  ASSERT_EQ(run.rows.size(), 1u) << run.out;
  const nlohmann::json& row = run.rows[0];
  EXPECT_EQ(row["Name"], "good");
  EXPECT_EQ(row["IP Address(es)"], kOtherHost) << "listed where its TXT record says";
  EXPECT_EQ(row["Serial"], "ZV777");
  EXPECT_EQ(row["Reachable"], "no") << "contacted where its TXT record says (far01)";
}

// A DNS server sending, before each honest answer, forged ones under a wrong ID, from
// another address and for another question, and beside the honest records unrelated ones
// (another domain's PTR, another instance's SRV and TXT, an A record in the additional
// section): only the honest camera is listed, at the address of its SRV target's A record.
TEST_F(BeyondLink, HostileDnsServerIsNotBelieved) {
  const std::string honest = "10.41.1.12", forged = "10.41.1.10";  // far03 and far01
  const std::string log = gDir + "/hostile_dns.log";
  Background server(Env("NETLAB_ROUTER"),
                    {Env("RAVIX_BINARY_DIR") + "/tests/discovery/hostile_dns_server", "--listen",
                     Env("NETLAB_ROUTER_FAR_ADDR"), "--spoof-from", Env("NETLAB_ROUTER_ADDR"), "--domain", "evil.test",
                     "--honest", honest, "--forged", forged},
                    log);
  for (int i = 0; i < 50 && ReadAll(log).find("ready") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_NE(ReadAll(log).find("ready"), std::string::npos) << ReadAll(log);
  const FinderRun run = RunFinder("--seconds 4 --domain evil.test --dns-server " + Env("NETLAB_ROUTER_FAR_ADDR"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(ReadAll(log).find("query cam1.evil.test 1"), std::string::npos) << "the A record was never asked";
  ASSERT_EQ(run.rows.size(), 1u) << run.out;
  const nlohmann::json& row = run.rows[0];
  EXPECT_EQ(row["Name"], "cam1 (evil.test)");
  EXPECT_EQ(row["Serial"], "ZV555");
  EXPECT_EQ(row["Hostname"], "cam1.evil.test");
  EXPECT_EQ(row["IP Address(es)"], honest) << "the TXT record's or the additional section's address was believed";
  EXPECT_EQ(row["Reachable"], "yes") << "far03 was not contacted at the address DNS gave";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  gPlatform = argc > 1 && std::strcmp(argv[1], "platform") == 0;
  if (Env("NETLAB_FAR").empty()) {
    std::fprintf(stderr, "SKIP: needs the lab with --routed\n");
    return 77;
  }
  char pattern[] = "/tmp/ravix-beyond-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  gDir = pattern;
  LabAvahiDaemon daemon;  // before any thread exists
  if (gPlatform && !daemon.Start(true, Env("NETLAB_ROUTER_ADDR"))) {
    std::fprintf(stderr, "SKIP: no lab avahi-daemon: %s\n", daemon.Error().c_str());
    return 77;
  }
  const int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(gDir);
  return result;
}
