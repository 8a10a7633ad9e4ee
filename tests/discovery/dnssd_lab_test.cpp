// DNS-SD layer and engine against a real responder inside the network lab. The backend is
// chosen by the first argument: "embedded" (avahi-core on the responder thread) or
// "platform" (avahi-daemon on a private D-Bus, started here).

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <poll.h>

#include <set>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "discovery/avahi_client_backend.h"
#include "discovery/dnssd_operation.h"
#include "discovery/dnssd_service_host.h"
#include "datagram_flood.h"
#include "lab_avahi_daemon.h"
#include "lab_publisher.h"
#include "recording_engine.h"
#include "tests/support/camsim_process.h"

namespace {

bool gPlatform = false;
CDnssdServiceHost* gHost = nullptr;
LabPublisher* gCameras = nullptr;

std::string Serialized(const std::vector<std::string>& txt) {
  std::string out;
  for (const std::string& e : txt) {
    out.push_back(static_cast<char>(e.size()));
    out += e;
  }
  return out;
}

// Collects the replies of operations started by a test and pumps them on this thread.
struct Collector {
  struct Reply {
    DNSServiceRef ref;
    DNSServiceFlags flags;
    uint32_t interfaceIndex;
    DNSServiceErrorType error;
    std::string a, b, c;
    uint16_t port;
    std::string txt;
  };
  std::vector<Reply> replies;
  std::vector<DNSServiceRef> refs;

  ~Collector() {
    for (DNSServiceRef ref : refs) DNSServiceRefDeallocate(ref);
  }

  static void OnBrowse(DNSServiceRef ref, DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType error,
                       const char* name, const char* type, const char* domain, void* context) {
    static_cast<Collector*>(context)->replies.push_back({ref, flags, interfaceIndex, error, name, type, domain, 0, ""});
  }
  static void OnResolve(DNSServiceRef ref, DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType error,
                        const char* fullName, const char* host, uint16_t port, uint16_t txtLen,
                        const unsigned char* txt, void* context) {
    static_cast<Collector*>(context)->replies.push_back(
        {ref, flags, interfaceIndex, error, fullName, host, "", port, std::string(reinterpret_cast<const char*>(txt), txtLen)});
  }

  DNSServiceRef Browse() {
    DNSServiceRef ref = nullptr;
    EXPECT_EQ(DNSServiceBrowse(&ref, 0, 0, "_http._tcp", "local.", &OnBrowse, this), 0);
    if (ref != nullptr) refs.push_back(ref);
    return ref;
  }
  DNSServiceRef Resolve(uint32_t interfaceIndex, const std::string& name) {
    DNSServiceRef ref = nullptr;
    EXPECT_EQ(DNSServiceResolve(&ref, 0, interfaceIndex, name.c_str(), "_http._tcp.", "local.", &OnResolve, this), 0);
    if (ref != nullptr) refs.push_back(ref);
    return ref;
  }
  void Release(DNSServiceRef ref) {
    std::erase(refs, ref);
    DNSServiceRefDeallocate(ref);
  }

  // Pumps replies until done() or the deadline.
  bool PumpUntil(const std::function<bool()>& done, int seconds = 20) {
    for (int rounds = 0; rounds < seconds * 20; ++rounds) {
      if (done()) return true;
      std::vector<pollfd> fds;
      for (DNSServiceRef ref : refs) fds.push_back({DNSServiceRefSockFD(ref), POLLIN, 0});
      if (poll(fds.data(), fds.size(), 50) <= 0) continue;
      const std::vector<DNSServiceRef> current = refs;
      for (size_t i = 0; i < fds.size(); ++i)
        if (fds[i].revents & POLLIN) {
          EXPECT_EQ(DNSServiceProcessResult(current[i]), 0);
        }
    }
    return done();
  }

  const Reply* Find(const std::function<bool(const Reply&)>& match) const {
    for (const Reply& r : replies)
      if (match(r)) return &r;
    return nullptr;
  }
};

TEST(DnssdLayer, BrowseAndResolveRepliesHaveTheDnssdShape) {
  const std::string name = "Lab Cam.1";
  const std::vector<std::string> txt = {"vendor.zorvnet=1", "path=/x", "flag", std::string("bin=\x01\xff", 6)};
  ASSERT_TRUE(gCameras->Publish(name, 8080, txt));
  Collector c;
  c.Browse();
  const auto added = [&](const Collector::Reply& r) { return r.a == name && (r.flags & kDNSServiceFlagsAdd); };
  ASSERT_TRUE(c.PumpUntil([&] { return c.Find(added) != nullptr; }));
  const Collector::Reply browse = *c.Find(added);
  EXPECT_EQ(browse.error, 0);
  EXPECT_EQ(browse.b, "_http._tcp.");
  EXPECT_EQ(browse.c, "local.");
  EXPECT_EQ(browse.interfaceIndex, LabPcInterfaceIndex(0));

  DNSServiceRef resolve = c.Resolve(browse.interfaceIndex, name);
  const auto resolved = [&](const Collector::Reply& r) { return r.ref == resolve && r.error == 0; };
  ASSERT_TRUE(c.PumpUntil([&] { return c.Find(resolved) != nullptr; }));
  const Collector::Reply answer = *c.Find(resolved);
  EXPECT_EQ(answer.a, "Lab\\032Cam\\.1._http._tcp.local.");
  EXPECT_EQ(answer.b, gCameras->HostName() + ".local.");
  EXPECT_EQ(answer.port, htons(8080));
  EXPECT_EQ(answer.txt, Serialized(txt));

  // a changed TXT record is answered again by the running resolve
  const std::vector<std::string> txt2 = {"vendor.zorvnet=1", "path=/y"};
  ASSERT_TRUE(gCameras->UpdateTxt(name, txt2));
  ASSERT_TRUE(c.PumpUntil([&] {
    return c.Find([&](const Collector::Reply& r) { return r.ref == resolve && r.txt == Serialized(txt2); });
  }));

  // after deallocation nothing more arrives for the resolve; the browse reports the removal
  c.Release(resolve);
  const size_t before = c.replies.size();
  gCameras->Withdraw(name);
  const auto removed = [&](const Collector::Reply& r) { return r.a == name && !(r.flags & kDNSServiceFlagsAdd); };
  ASSERT_TRUE(c.PumpUntil([&] { return c.Find(removed) != nullptr; }));
  for (size_t i = before; i < c.replies.size(); ++i) EXPECT_NE(c.replies[i].ref, resolve);
  EXPECT_EQ(c.Find(removed)->interfaceIndex, LabPcInterfaceIndex(0));
}

// The embedded responder ends a resolve's lookup once it has answered (no more questions
// for it on the link); a later change of that camera's TXT record still arrives, once,
// on its resolve alone.
TEST(DnssdLayer, AnsweredResolvesStopAskingAndStillHearTheirCamerasChange) {
  auto* embedded = dynamic_cast<EmbeddedResponder*>(DNSServiceDefaultBackend());
  if (gPlatform || embedded == nullptr) GTEST_SKIP() << "the embedded responder's own lookups";
  const std::vector<std::string> names = {"Quiet A", "Quiet B"};
  for (const std::string& name : names) ASSERT_TRUE(gCameras->Publish(name, 8090, {"fwversion.zorvnet=1"}));
  Collector c;
  const size_t followedBefore = embedded->FollowedResolves();
  std::vector<DNSServiceRef> resolves;
  for (const std::string& name : names) resolves.push_back(c.Resolve(LabPcInterfaceIndex(0), name));
  const auto answers = [&](DNSServiceRef ref) {
    return std::count_if(c.replies.begin(), c.replies.end(),
                         [&](const Collector::Reply& r) { return r.ref == ref && r.error == 0; });
  };
  ASSERT_TRUE(c.PumpUntil([&] {
    return answers(resolves[0]) >= 1 && answers(resolves[1]) >= 1 &&
           embedded->FollowedResolves() >= followedBefore + names.size();
  })) << embedded->FollowedResolves() << " followed";
  const long firstAnswersB = answers(resolves[1]);

  const std::vector<std::string> changed = {"fwversion.zorvnet=2", "path=/new"};
  ASSERT_TRUE(gCameras->UpdateTxt(names[0], changed));
  ASSERT_TRUE(c.PumpUntil([&] {
    return c.Find([&](const Collector::Reply& r) { return r.ref == resolves[0] && r.txt == Serialized(changed); });
  }));
  c.PumpUntil([] { return false; }, 2);  // the announcement's repetitions
  long changedReplies = 0;
  for (const Collector::Reply& r : c.replies) changedReplies += r.ref == resolves[0] && r.txt == Serialized(changed);
  EXPECT_EQ(changedReplies, 1) << "a repeated announcement is no change";
  EXPECT_EQ(answers(resolves[1]), firstAnswersB) << "the unchanged camera stays quiet";
  for (const std::string& name : names) gCameras->Withdraw(name);
}

// A neighbour sending crafted 9 KB responses to the mDNS port (each would cost millions
// of strings read label by label), far faster than any real host: the responder still
// resolves a new camera and hears a followed camera change while it lasts.
TEST(DnssdLayer, ACraftedDatagramFloodKeepsTheResponderAtWork) {
  auto* embedded = dynamic_cast<EmbeddedResponder*>(DNSServiceDefaultBackend());
  if (gPlatform || embedded == nullptr) GTEST_SKIP() << "the embedded responder's change listener";
  const char* interfaceName = std::getenv("NETLAB_CAM0_IF");
  DatagramFlood flood(AmplificationDatagram(), 500);
  ASSERT_TRUE(flood.Start(LabCameraNamespace(), interfaceName != nullptr ? interfaceName : ""));
  ASSERT_TRUE(gCameras->Publish("Flooded", 8091, {"fwversion.zorvnet=1"}));
  Collector c;
  const size_t followedBefore = embedded->FollowedResolves();
  const DNSServiceRef resolve = c.Resolve(LabPcInterfaceIndex(0), "Flooded");
  const auto answered = [&](const std::string& txt) {
    return c.Find([&](const Collector::Reply& r) { return r.ref == resolve && r.txt == txt; }) != nullptr;
  };
  ASSERT_TRUE(c.PumpUntil([&] {
    return answered(Serialized({"fwversion.zorvnet=1"})) && embedded->FollowedResolves() > followedBefore;
  }));
  const std::vector<std::string> changed = {"fwversion.zorvnet=2"};
  ASSERT_TRUE(gCameras->UpdateTxt("Flooded", changed));
  EXPECT_TRUE(c.PumpUntil([&] { return answered(Serialized(changed)); }));
  const long sent = flood.Sent();
  flood.Stop();
  EXPECT_GT(sent, 50) << "the flood ran";
  gCameras->Withdraw("Flooded");
}

// Resolves ended right after they were started (with avahi-daemon most of them before the
// daemon was even asked) never answer, and a resolve started beside them answers as usual.
TEST(DnssdLayer, ResolvesEndedAtOnceNeverAnswer) {
  const std::string name = "Lab Brief";
  ASSERT_TRUE(gCameras->Publish(name, 8081, {"vendor.zorvnet=1"}));
  Collector c;
  c.Browse();
  const auto added = [&](const Collector::Reply& r) { return r.a == name && (r.flags & kDNSServiceFlagsAdd); };
  ASSERT_TRUE(c.PumpUntil([&] { return c.Find(added) != nullptr; }));
  const uint32_t interfaceIndex = c.Find(added)->interfaceIndex;
  std::vector<DNSServiceRef> ended;
  for (int i = 0; i < 200; ++i) ended.push_back(c.Resolve(interfaceIndex, name));
  DNSServiceRef live = c.Resolve(interfaceIndex, name);  // allocated before any is freed
  for (DNSServiceRef ref : ended) c.Release(ref);
  ASSERT_TRUE(c.PumpUntil([&] {
    return c.Find([&](const Collector::Reply& r) { return r.ref == live && r.error == 0; }) != nullptr;
  }));
  EXPECT_EQ(c.Find([&](const Collector::Reply& r) { return std::ranges::count(ended, r.ref) > 0; }), nullptr);
  gCameras->Withdraw(name);
}

TEST(DnssdLayer, StaysCorrectPastThousandOperations) {
  const std::string name = "Lab Crowd";
  ASSERT_TRUE(gCameras->Publish(name, 80, {"vendor.zorvnet=1"}));
  Collector c;
  constexpr size_t kOperations = 1100;
  for (size_t i = 0; i < kOperations; ++i) ASSERT_NE(c.Browse(), nullptr) << "operation " << i;
  std::set<DNSServiceRef> found;
  ASSERT_TRUE(c.PumpUntil([&] {
    for (const auto& r : c.replies)
      if (r.a == name) found.insert(r.ref);
    return found.size() == kOperations;
  }, 60)) << found.size() << " of " << kOperations << " operations saw the camera";
  if (auto* platform = dynamic_cast<AvahiClientBackend*>(DNSServiceDefaultBackend())) {
    EXPECT_GE(platform->ConnectionCount(), 2u);
  }
  gCameras->Withdraw(name);
}

class EngineInLab : public ::testing::Test {
 protected:
  void TearDown() override {
    engine.Close();
    for (const std::string& n : published) gCameras->Withdraw(n);
  }

  void PublishCameras(const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i) {
      const std::string n = prefix + std::to_string(i);
      ASSERT_TRUE(gCameras->Publish(n, static_cast<uint16_t>(8000 + i), CameraTxt(i, "1.0")));
      published.push_back(n);
    }
  }
  static std::vector<std::string> CameraTxt(int i, const std::string& firmware) {
    return {"vendor.zorvnet=Zorvik", "serial.zorvnet=SN" + std::to_string(i), "fwversion.zorvnet=" + firmware,
            "path=/"};
  }

  // Records with the given prefix that carry their TXT data.
  size_t Resolved(const std::string& prefix) {
    std::vector<uint32_t> ids;
    engine.GetRecordIDs(ids);
    size_t count = 0;
    for (uint32_t id : ids) {
      CBrowseRecord r;
      if (engine.GetRecord(id, r) && r.ServiceName.starts_with(prefix) && r.Port != 0 &&
          !r.GetTxtValueOrEmpty("serial.zorvnet").empty())
        ++count;
    }
    return count;
  }

  uint32_t IdOf(const std::string& name) {
    std::vector<uint32_t> ids;
    engine.GetRecordIDs(ids);
    for (uint32_t id : ids) {
      CBrowseRecord r;
      if (engine.GetRecord(id, r) && r.ServiceName == name) return id;
    }
    return 0;
  }

  RecordingEngine engine;
  std::vector<std::string> published;
};

TEST_F(EngineInLab, FindsResolvesFollowsAndLosesCameras) {
  constexpr int kCameras = 12;
  PublishCameras("Follow ", kCameras);
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  ASSERT_TRUE(RecordingEngine::Wait([&] { return Resolved("Follow ") == kCameras; }));
  CBrowseRecord r;
  const uint32_t id3 = IdOf("Follow 3");
  ASSERT_TRUE(engine.GetRecord(id3, r));
  EXPECT_EQ(r.Port, 8003u);
  EXPECT_EQ(r.HostTarget, gCameras->HostName() + ".local");
  EXPECT_EQ(r.GetTxtValueOrEmpty("serial.zorvnet"), "SN3");
  EXPECT_EQ(r.InterfaceIndex, LabPcInterfaceIndex(0));

  ASSERT_TRUE(gCameras->UpdateTxt("Follow 3", CameraTxt(3, "2.0")));
  ASSERT_TRUE(RecordingEngine::Wait([&] {
    CBrowseRecord now;
    return engine.GetRecord(id3, now) && now.GetTxtValueOrEmpty("fwversion.zorvnet") == "2.0";
  }));
  bool changedReported = false;
  for (const auto& e : engine.Events()) changedReported |= e.kind == 'c' && e.id == id3;
  EXPECT_TRUE(changedReported);

  const uint32_t id5 = IdOf("Follow 5");
  gCameras->Withdraw("Follow 5");
  ASSERT_TRUE(RecordingEngine::Wait([&] {
    for (const auto& e : engine.Events())
      if (e.kind == 'r' && e.id == id5) return true;
    return false;
  }));
  EXPECT_FALSE(engine.GetRecord(id5, r));
}

TEST_F(EngineInLab, SimulatedCamerasAreFoundFollowedAndLost) {
  CamsimProcess::Options options;
  options.cameras = 6;
  CamsimProcess sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  const nlohmann::json cams = sim.List();
  ASSERT_EQ(cams.size(), 6u);
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  // every simulated camera as a record with its port and its whole TXT record
  const auto complete = [&](const nlohmann::json& cam) {
    const uint32_t id = IdOf(cam["name"]);
    CBrowseRecord r;
    if (id == 0 || !engine.GetRecord(id, r) || r.Port != cam["port"].get<uint32_t>()) return false;
    for (const auto& [key, value] : cam["txt"].items())
      if (r.GetTxtValueOrEmpty(key.c_str()) != value.get<std::string>()) return false;
    return true;
  };
  ASSERT_TRUE(RecordingEngine::Wait([&] {
    for (const auto& cam : cams)
      if (!complete(cam)) return false;
    return true;
  }));

  const uint32_t changedId = IdOf(cams[0]["name"]);
  ASSERT_TRUE(sim.SetTxt(cams[0]["host"], {{"fwversion.zorvnet", "9.9.9"}}, &error)) << error;
  ASSERT_TRUE(RecordingEngine::Wait([&] {
    CBrowseRecord r;
    return engine.GetRecord(changedId, r) && r.GetTxtValueOrEmpty("fwversion.zorvnet") == "9.9.9";
  }));
  bool changedReported = false;
  for (const auto& e : engine.Events()) changedReported |= e.kind == 'c' && e.id == changedId;
  EXPECT_TRUE(changedReported);

  const uint32_t removedId = IdOf(cams[1]["name"]);
  ASSERT_TRUE(sim.RemoveCamera(cams[1]["host"], &error)) << error;
  ASSERT_TRUE(RecordingEngine::Wait([&] {
    for (const auto& e : engine.Events())
      if (e.kind == 'r' && e.id == removedId) return true;
    return false;
  }));
}

TEST_F(EngineInLab, RequeryMakesEveryCameraAnswerAgain) {
  if (gPlatform) GTEST_SKIP() << "the platform daemon is not requeried";
  constexpr int kCameras = 10;
  PublishCameras("Requery ", kCameras);
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  ASSERT_TRUE(RecordingEngine::Wait([&] { return Resolved("Requery ") == kCameras; }));
  engine.ClearEvents();
  EXPECT_TRUE(gHost->RequeryResponder()) << "the engine's browse and resolves are asked again";
  ASSERT_TRUE(RecordingEngine::Wait([&] {
    std::set<uint32_t> answered;
    for (const auto& e : engine.Events())
      if (e.kind == 'c' && e.name.starts_with("Requery ")) answered.insert(e.id);
    return answered.size() == kCameras;
  })) << engine.Count('c') << " answers";
  for (const auto& e : engine.Events()) {  // a requery adds and removes none of them
    EXPECT_FALSE(e.kind == 'a' && e.name.starts_with("Requery ")) << e.name;
    EXPECT_FALSE(e.kind == 'r' && e.name.starts_with("Requery ")) << e.name;
  }
  // sleeping and waking keeps the records as well
  gHost->ForwardMachineSleep(true);
  gHost->ForwardMachineSleep(false);
  ASSERT_TRUE(RecordingEngine::Wait([&] { return engine.Count('c') >= 2 * kCameras; }));
  EXPECT_EQ(Resolved("Requery "), size_t{kCameras});
}

// The PC's name as a camera's cache sees it: answered, gone by goodbye while the PC sleeps
// (long before the records' two-minute lifetime), announced again on wake; the cameras
// answer again and one that left during the sleep is reported gone.
TEST_F(EngineInLab, SleepWithdrawsThePcsNameAndWakeRestoresIt) {
  if (gPlatform) GTEST_SKIP() << "the platform daemon does not sleep with the finder";
  auto* responder = dynamic_cast<EmbeddedResponder*>(DNSServiceDefaultBackend());
  ASSERT_NE(responder, nullptr);
  const std::string pcName = responder->HostNameFqdn();
  ASSERT_FALSE(pcName.empty());
  PublishCameras("Sleep ", 3);
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  ASSERT_TRUE(RecordingEngine::Wait([&] { return Resolved("Sleep ") == 3; }));
  ASSERT_TRUE(gCameras->WatchHost(pcName));
  ASSERT_TRUE(RecordingEngine::Wait([&] { return gCameras->HostAddresses() > 0; })) << pcName << " not answered";

  gHost->ForwardMachineSleep(true);
  gHost->ForwardMachineSleep(true);  // a second suspend changes nothing
  EXPECT_TRUE(responder->HostNameFqdn().empty());
  ASSERT_TRUE(RecordingEngine::Wait([&] { return gCameras->HostAddresses() == 0; })) << pcName << " not withdrawn";
  const uint32_t leftId = IdOf("Sleep 2");
  gCameras->Withdraw("Sleep 2");
  std::erase(published, "Sleep 2");
  engine.ClearEvents();
  Collector whileAsleep;  // taken while asleep, served after the wake
  ASSERT_NE(whileAsleep.Browse(), nullptr);

  gHost->ForwardMachineSleep(false);
  EXPECT_EQ(responder->HostNameFqdn(), pcName);
  ASSERT_TRUE(RecordingEngine::Wait([&] { return gCameras->HostAddresses() > 0; })) << pcName << " not back";
  EXPECT_GE(gCameras->HostAppearances(), 2);
  ASSERT_TRUE(RecordingEngine::Wait([&] {
    std::set<std::string> answered;
    bool leftReported = false;
    for (const auto& e : engine.Events()) {
      if (e.kind == 'c' && e.name.starts_with("Sleep ")) answered.insert(e.name);
      leftReported |= e.kind == 'r' && e.id == leftId;
    }
    return leftReported && answered.count("Sleep 0") == 1 && answered.count("Sleep 1") == 1;
  })) << engine.Count('c') << " answers, " << engine.Count('r') << " removals";
  EXPECT_EQ(Resolved("Sleep "), 2u);
  for (const auto& e : engine.Events())  // the cameras still there were never reported gone
    EXPECT_FALSE(e.kind == 'r' && (e.name == "Sleep 0" || e.name == "Sleep 1")) << e.name;
  EXPECT_TRUE(whileAsleep.PumpUntil([&] {
    return whileAsleep.Find([](const Collector::Reply& r) { return r.a == "Sleep 0"; }) != nullptr;
  }));
}

// A camera unplugged while its link is down sends no goodbye; once the link is back it
// must not come back from the responder's cache (its records live for over an hour).
TEST_F(EngineInLab, CameraRemovedWhileItsLinkIsDownStaysGone) {
  if (gPlatform) GTEST_SKIP() << "the platform daemon keeps its own cache";
  const std::string link = std::getenv("NETLAB_CAM1") != nullptr ? "cam1" : "";
  if (link.empty()) GTEST_SKIP() << "needs a second camera link";
  CamsimProcess::Options options;
  options.cameraNamespace = std::getenv("NETLAB_CAM1");
  options.cameras = 3;
  CamsimProcess sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  const nlohmann::json cams = sim.List();
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  const auto listed = [&](const nlohmann::json& cam) {
    CBrowseRecord r;
    return engine.GetRecord(IdOf(cam["name"]), r) && !r.GetTxtValueOrEmpty("serial.zorvnet").empty();
  };
  ASSERT_TRUE(RecordingEngine::Wait([&] { return listed(cams[0]) && listed(cams[1]) && listed(cams[2]); }));

  const std::string setLink = std::string(std::getenv("NETLAB_RUN")) + " " + link + " ip link set " +
                              std::getenv("NETLAB_CAM1_IF");
  ASSERT_EQ(std::system((setLink + " down").c_str()), 0);
  ASSERT_TRUE(sim.RemoveCamera(cams[1]["host"], &error)) << error;
  std::this_thread::sleep_for(std::chrono::seconds(2));
  ASSERT_EQ(std::system((setLink + " up").c_str()), 0);
  // what Refresh does: close, wake the responder, browse anew
  engine.Close();
  gHost->RequeryResponder();
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  ASSERT_TRUE(RecordingEngine::Wait([&] { return listed(cams[0]) && listed(cams[2]); }));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_FALSE(listed(cams[1])) << cams[1]["name"] << " came back from the cache";
}

TEST_F(EngineInLab, ThreeHundredCamerasAreAllFound) {
  constexpr int kCameras = 300;
  PublishCameras("Crowd ", kCameras);
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  ASSERT_TRUE(RecordingEngine::Wait([&] { return Resolved("Crowd ") == kCameras; }, std::chrono::seconds(60)))
      << Resolved("Crowd ") << " of " << kCameras;
}

TEST(ServiceHost, ChoosesTheRespondersAndGuardsTheSleepEntry) {
  DnssdBackend* const inUse = DNSServiceDefaultBackend();
  EXPECT_EQ(gHost->UsingEmbeddedResponder(), !gPlatform);
  if (gPlatform) {
    EXPECT_TRUE(gHost->RequeryResponder());  // only traces; a caller's wait stays as it was
  }
  if (!gPlatform) {
    EXPECT_FALSE(gHost->StartBonjourThread());  // a second responder thread is refused
    CDnssdServiceHost probe;  // the lab has no system bus: no platform service
    EXPECT_FALSE(probe.CheckBonjourService());
  }
  DNSServiceSetDefaultBackend(inUse);

  // a responder thread started, stopped, and poked afterwards
  {
    CDnssdServiceHost other;
    other.CoreMachineSleep(false);  // before any start
    ASSERT_TRUE(other.StartBonjourThread());
    EXPECT_TRUE(other.UsingEmbeddedResponder());
    EXPECT_FALSE(other.RequeryResponder()) << "nothing browsed yet: no answers to wait for";
    EXPECT_FALSE(other.StartBonjourThread());
    other.ForwardMachineSleep(true);
    other.ForwardMachineSleep(false);
    other.ForwardMachineSleep(true);
    other.StopBonjourThread();  // stopped while asleep
    other.ForwardMachineSleep(false);  // and woken after the stop
    EXPECT_FALSE(other.UsingEmbeddedResponder());
    other.CoreMachineSleep(false);
    other.CoreMachineSleep(true);
    other.RequeryResponder();  // only traces now
  }
  DNSServiceSetDefaultBackend(inUse);
  if (gPlatform) return;
  // quick suspend and resume cycles while cameras talk; the responder of the test still
  // takes operations and finds a camera afterwards
  ASSERT_TRUE(gCameras->Publish("After Cycles", 80, {"vendor.zorvnet=1"}));
  for (int cycle = 0; cycle < 20; ++cycle) {
    gHost->ForwardMachineSleep(true);
    gHost->ForwardMachineSleep(false);
  }
  Collector c;
  ASSERT_NE(c.Browse(), nullptr);
  EXPECT_TRUE(c.PumpUntil([&] { return c.Find([](const Collector::Reply& r) { return r.a == "After Cycles"; }); }));
  gCameras->Withdraw("After Cycles");
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  gPlatform = argc > 1 && std::strcmp(argv[1], "platform") == 0;
  LabAvahiDaemon daemon;  // before any thread exists
  if (gPlatform && !daemon.Start()) {
    std::fprintf(stderr, "SKIP: no lab avahi-daemon: %s\n", daemon.Error().c_str());
    return 77;
  }
  if (LabCameraNamespace().empty()) {
    std::fprintf(stderr, "SKIP: not inside the network lab\n");
    return 77;
  }
  CDnssdServiceHost host;
  gHost = &host;
  if (gPlatform ? !host.CheckBonjourService() : !host.StartBonjourThread()) {
    std::fprintf(stderr, "no DNS-SD responder\n");
    return 1;
  }
  LabPublisher cameras(LabCameraNamespace(), "labcam");
  if (!cameras.Ok()) {
    std::fprintf(stderr, "camera publisher failed\n");
    return 1;
  }
  gCameras = &cameras;
  return RUN_ALL_TESTS();
}
