#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "records/txt_record_parser.h"
#include "recording_engine.h"
#include "scripted_backend.h"

namespace {

std::string Txt(std::initializer_list<std::string> entries) {
  std::string out;
  for (const std::string& e : entries) {
    out.push_back(static_cast<char>(e.size()));
    out += e;
  }
  return out;
}

CBrowseRecord::TxtMap Parse(const std::string& data) {
  return ParseTxtRecord(1, static_cast<uint16_t>(data.size()), reinterpret_cast<const unsigned char*>(data.data()));
}

TEST(TxtRecordParser, SkipsEntriesWithoutPairAndKeepsFirstOfRepeatedKeys) {
  const auto pairs = Parse(Txt({"a=1", "b", "=x", "c=", "a=2"}));
  EXPECT_EQ(pairs, (CBrowseRecord::TxtMap{{"a", "1"}, {"", "x"}}));
}

TEST(TxtRecordParser, EmptyTruncatedAndRawData) {
  EXPECT_TRUE(Parse("").empty());
  EXPECT_TRUE(ParseTxtRecord(1, 0, nullptr).empty());
  EXPECT_TRUE(Parse(std::string("\x09" "a=1", 4)).empty());  // first entry longer than the data
  EXPECT_TRUE(Parse(std::string("\0", 1)).empty());           // the empty TXT record
  // an entry running past the end ends the parsing; pairs before it count
  std::string data = Txt({"k=v"}) + std::string("\x20" "x=y", 4);
  EXPECT_EQ(Parse(data), (CBrowseRecord::TxtMap{{"k", "v"}}));
  // bytes are taken as they are: case, "=" in the value, NUL and high bytes
  const std::string raw("Vendor.Zorvnet=a=b\0\xff", 20);
  EXPECT_EQ(Parse(Txt({raw, "vendor.zorvnet=1"})),
            (CBrowseRecord::TxtMap{{"Vendor.Zorvnet", std::string("a=b\0\xff", 5)}, {"vendor.zorvnet", "1"}}));
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { DNSServiceSetDefaultBackend(&backend); }
  void TearDown() override {
    engine.Close();
    DNSServiceSetDefaultBackend(nullptr);
  }

  void Browse() { engine.BrowseOneDomain(0, "_http._tcp", "local."); }

  // Pushes a marker service and waits for it: every reply pushed before it on the browse
  // has been handled then.
  void Settle() {
    const std::string marker = "marker-" + std::to_string(markers++);
    backend.Add(marker);
    ASSERT_TRUE(engine.Wait([&] {
      for (const auto& e : engine.Events())
        if (e.kind == 'a' && e.name == marker) return true;
      return false;
    }));
  }

  CBrowseRecord Record(uint32_t id) {
    CBrowseRecord r;
    EXPECT_TRUE(engine.GetRecord(id, r)) << "no record " << id;
    return r;
  }

  ScriptedBackend backend;
  RecordingEngine engine;
  int markers = 0;
};

TEST_F(EngineTest, IdsStartAtOneAndAgainAfterCloseAndBrowse) {
  Browse();
  backend.Add("A");
  backend.Add("B");
  ASSERT_TRUE(engine.WaitCount('a', 2));
  EXPECT_EQ(Record(1).ServiceName, "A");
  EXPECT_EQ(Record(2).ServiceName, "B");
  EXPECT_EQ(Record(1).Domain, "local");
  EXPECT_EQ(Record(1).ServiceType, "_http._tcp.");
  EXPECT_NE(Record(1).DiscoveredTime, 0);

  engine.Close();
  EXPECT_EQ(engine.RecordCount(), 0u);
  EXPECT_EQ(backend.LiveResolves(), 0u);
  EXPECT_EQ(backend.Browser(), nullptr);
  engine.ClearEvents();
  Browse();
  backend.Add("C");
  ASSERT_TRUE(engine.WaitCount('a', 1));
  EXPECT_EQ(Record(1).ServiceName, "C");
  CBrowseRecord untouched;
  untouched.ServiceName = "kept";
  EXPECT_FALSE(engine.GetRecord(0, untouched));
  EXPECT_FALSE(engine.GetRecord(2, untouched));
  EXPECT_EQ(untouched.ServiceName, "kept");
}

TEST_F(EngineTest, OneServiceOnTwoInterfacesIsOneRecordWithOneResolve) {
  Browse();
  backend.Add("Cam", 5);
  backend.Add("Cam", 7);
  Settle();
  EXPECT_EQ(engine.Count('a'), 2u);  // Cam and the marker
  EXPECT_EQ(Record(1).InterfaceIndex, 5u);
  size_t resolvesOfCam = 0;
  for (const auto& op : backend.Operations()) resolvesOfCam += !op.browse && op.name == "Cam";
  EXPECT_EQ(resolvesOfCam, 1u);

  backend.Remove("Cam", 7);
  ASSERT_TRUE(engine.WaitCount('r', 1));
  EXPECT_EQ(engine.RecordCount(), 1u);
  // its resolve ends with it (the removal is logged before the engine ends the resolve)
  EXPECT_TRUE(engine.Wait([&] { return backend.Resolver("Cam") == nullptr; }));
}

// A resolve started from another thread than the events thread (a camera found by its
// address, resolved again) is answered while the thread waits on the browse alone.
TEST_F(EngineTest, AResolveStartedFromAnotherThreadIsServed) {
  Browse();
  Settle();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the thread waits on the set it has
  CBrowseRecord found;
  found.InterfaceIndex = 2;
  found.ServiceName = "Far Cam";
  found.ServiceType = "_http._tcp.";
  found.SetDomain("local.");
  const uint32_t id = engine.AddFoundRecord(found);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(engine.ResolveService(Record(id)));
  backend.Answer("Far Cam", "Far\\032Cam._http._tcp.local.", "far.local.", 8081, Txt({"vendor.zorvnet=1"}));
  EXPECT_TRUE(engine.Wait([&] { return Record(id).Port == 8081; }, std::chrono::seconds(5)));
}

TEST_F(EngineTest, UnknownRemoveChangesNothing) {
  Browse();
  backend.Add("A");
  backend.Remove("Nobody");
  Settle();
  EXPECT_EQ(engine.Count('r'), 0u);
  EXPECT_EQ(engine.RecordCount(), 2u);
}

TEST_F(EngineTest, ResolveRepliesUpdateTheRecord) {
  Browse();
  backend.Add("Cam.1 Lobby");
  ASSERT_TRUE(engine.WaitCount('a', 1));
  const CBrowseRecord before = Record(1);
  const std::string fullName = "Cam\\.1\\032Lobby._http._tcp.local.";
  const std::string txt = Txt({"vendor.zorvnet=1", "path=/index.html"});

  // a reply for a name the engine does not know is ignored
  backend.Resolver("Cam.1 Lobby")->PushResolve(2, 0, "Cam.1 Lobby._http._tcp.local.", "x.local.", htons(1), txt);
  backend.Answer("Cam.1 Lobby", fullName, "cam1.local.", 8080, txt);
  ASSERT_TRUE(engine.WaitCount('c', 1));
  CBrowseRecord r = Record(1);
  EXPECT_EQ(r.HostTarget, "cam1.local");
  EXPECT_EQ(r.Port, 8080u);
  EXPECT_EQ(r.GetTxtValueOrEmpty("path"), "/index.html");
  EXPECT_EQ(before.Port, 0u);  // copies do not follow the live record
  EXPECT_TRUE(before.HostTarget.empty());

  // the same reply again: the final dot of the host target makes it a change
  backend.Answer("Cam.1 Lobby", fullName, "cam1.local.", 8080, txt);
  ASSERT_TRUE(engine.WaitCount('c', 2));
  // without the dot and with nothing else new it is none; new TXT data is one
  backend.Answer("Cam.1 Lobby", fullName, "cam1.local", 8080, txt);
  backend.Answer("Cam.1 Lobby", fullName, "cam1.local", 8080, Txt({"vendor.zorvnet=2"}));
  ASSERT_TRUE(engine.WaitCount('c', 3));
  Settle();
  EXPECT_EQ(engine.Count('c'), 3u);
  r = Record(1);
  EXPECT_EQ(r.TxtRecord, (CBrowseRecord::TxtMap{{"vendor.zorvnet", "2"}}));
  // error replies are ignored
  backend.Resolver("Cam.1 Lobby")->PushResolve(2, kDNSServiceErr_Unknown, fullName, "other.", htons(9), "");
  Settle();
  EXPECT_EQ(Record(1).Port, 8080u);
}

TEST_F(EngineTest, CloseReportsEveryRecordWithMoreComingFlags) {
  EXPECT_TRUE(engine.Close());  // idle: nothing reported
  EXPECT_TRUE(engine.Events().empty());

  Browse();
  backend.Add("Only");
  ASSERT_TRUE(engine.WaitCount('a', 1));
  engine.ClearEvents();
  EXPECT_TRUE(engine.Close());
  auto events = engine.Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, 'r');
  EXPECT_FALSE(events[0].flag);

  Browse();
  for (const char* name : {"A", "B", "C"}) backend.Add(name);
  ASSERT_TRUE(engine.WaitCount('a', 3));
  engine.ClearEvents();
  EXPECT_TRUE(engine.Close());
  events = engine.Events();
  ASSERT_EQ(events.size(), 3u);
  for (const auto& e : events) EXPECT_TRUE(e.kind == 'r' && e.flag);
  EXPECT_EQ(backend.LiveResolves(), 0u);
}

TEST_F(EngineTest, QueriesRunningTransitionsAndReset) {
  Browse();
  backend.Add("A");
  backend.Add("B");
  ASSERT_TRUE(engine.WaitCount('a', 2));
  backend.Answer("A", "A._http._tcp.local.", "a.local.", 80, "");
  backend.Answer("A", "A._http._tcp.local.", "a.local.", 80, "");  // a repeated answer counts too
  ASSERT_TRUE(engine.WaitCount('c', 2));
  auto q = [this] {
    std::vector<bool> states;
    for (const auto& e : engine.Events())
      if (e.kind == 'q') states.push_back(e.flag);
    return states;
  };
  EXPECT_EQ(q(), (std::vector<bool>{true, false}));
  backend.Answer("B", "B._http._tcp.local.", "b.local.", 80, "");  // never below zero
  ASSERT_TRUE(engine.WaitCount('c', 3));
  EXPECT_EQ(q(), (std::vector<bool>{true, false}));

  backend.Add("C");  // running again, then reset by a new browse without a report
  // The add is logged before its resolve starts: wait for the state report itself.
  ASSERT_TRUE(engine.Wait([&] { return q().size() == 3; }));
  EXPECT_EQ(q(), (std::vector<bool>{true, false, true}));
  engine.Close();
  Browse();
  EXPECT_EQ(q(), (std::vector<bool>{true, false, true}));
  backend.Add("D");
  ASSERT_TRUE(engine.Wait([&] { return q().size() == 4; }));
  EXPECT_EQ(q(), (std::vector<bool>{true, false, true, true}));
  backend.Answer("D", "D._http._tcp.local.", "d.local.", 80, "");
  ASSERT_TRUE(engine.Wait([&] { return q().size() == 5; }));
  EXPECT_FALSE(q().back());
}

// A second BrowseOneDomain while the browse runs (a Refresh asked for inside another)
// changes nothing: IDs go on from the live records, the running count keeps the resolves
// that still run, and no second browse starts.
TEST_F(EngineTest, BrowseWhileBrowsingKeepsIdsAndRunningCount) {
  auto q = [this] {
    std::vector<bool> states;
    for (const auto& e : engine.Events())
      if (e.kind == 'q') states.push_back(e.flag);
    return states;
  };
  Browse();
  backend.Add("A");
  backend.Add("B");
  ASSERT_TRUE(engine.Wait([&] { return q().size() == 1; }));
  Browse();
  backend.Add("C");
  Settle();
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2, 3, 4}));  // A, B, C and the marker
  EXPECT_EQ(Record(3).ServiceName, "C");
  size_t browses = 0;
  for (const auto& op : backend.Operations()) browses += op.browse;
  EXPECT_EQ(browses, 1u);

  // Four resolves run: answering three of them leaves the engine running.
  for (const char* name : {"A", "B", "C"}) {
    const std::string service = std::string(name) + "._http._tcp.local.";
    backend.Answer(name, service, std::string(name) + ".local.", 80, "");
  }
  ASSERT_TRUE(engine.WaitCount('c', 3));
  EXPECT_EQ(q(), (std::vector<bool>{true}));
  backend.Answer("marker-0", "marker-0._http._tcp.local.", "m.local.", 80, "");
  ASSERT_TRUE(engine.WaitCount('c', 4));
  EXPECT_EQ(q(), (std::vector<bool>{true, false}));
}

TEST_F(EngineTest, BrowseStaysServedPastManyResolves) {
  Browse();
  constexpr int kCameras = 300;
  for (int i = 0; i < kCameras; ++i) backend.Add("cam" + std::to_string(i), 2, kDNSServiceFlagsMoreComing);
  ASSERT_TRUE(engine.WaitCount('a', kCameras));
  EXPECT_EQ(backend.LiveResolves(), size_t{kCameras});
  for (int i = 0; i < kCameras; ++i)
    backend.Answer("cam" + std::to_string(i), "cam" + std::to_string(i) + "._http._tcp.local.", "h.local.", 80, "");
  backend.Remove("cam7");
  backend.Add("late");
  ASSERT_TRUE(engine.WaitCount('c', kCameras));
  ASSERT_TRUE(engine.WaitCount('r', 1));
  ASSERT_TRUE(engine.WaitCount('a', kCameras + 1));
  EXPECT_EQ(engine.RecordCount(), size_t{kCameras});
}

// Reads from other threads while a reply of the first record is handled, that is while
// the events thread holds the record lock, and notes what the readers got.
class ReaderInBurstEngine : public RecordingEngine {
 public:
  ~ReaderInBurstEngine() override {
    Close();
    for (std::thread& reader : readers_) reader.join();
  }

  bool OnAdd(const CBrowseRecord& record, bool moreComing) override {
    if (record.ID == 1) idsAtFirstAdd = ReadElsewhere<size_t>([this] { return RecordCount(); });
    return RecordingEngine::OnAdd(record, moreComing);
  }
  bool OnRecordChanged(CBrowseRecord& record, bool moreComing) override {
    if (record.ID == 1)
      txtAtChange = ReadElsewhere<std::string>([this] {
        CBrowseRecord copy;
        return GetRecord(1, copy) ? copy.GetTxtValueOrEmpty("v") : std::string("(none)");
      });
    return RecordingEngine::OnRecordChanged(record, moreComing);
  }
  bool OnRemove(CBrowseRecord& record, bool moreComing) override {
    if (record.ID == 1 && !foundAtRemove)
      foundAtRemove = ReadElsewhere<bool>([this] {
        CBrowseRecord copy;
        return GetRecord(1, copy);
      });
    return RecordingEngine::OnRemove(record, moreComing);
  }

  // Empty when the reader did not finish within 5 s (it waited for the record lock).
  std::optional<size_t> idsAtFirstAdd;
  std::optional<std::string> txtAtChange;
  std::optional<bool> foundAtRemove;

 private:
  template <typename T>
  std::optional<T> ReadElsewhere(std::function<T()> read) {
    auto result = std::make_shared<std::promise<T>>();
    std::future<T> future = result->get_future();
    readers_.emplace_back([result, read] { result->set_value(read()); });
    if (future.wait_for(std::chrono::seconds(5)) != std::future_status::ready) return std::nullopt;
    return future.get();
  }

  std::vector<std::thread> readers_;
};

// Readers never wait for the events thread: while it handles a burst, a reader gets the
// records as of the reply under way; what a reply announces (an added record, a TXT
// change, a removal) is what readers get from then on; the replies keep their order.
TEST(EngineReaders, ReadersDoNotWaitForRepliesAndSeeWhatIsAnnounced) {
  ScriptedBackend backend;
  DNSServiceSetDefaultBackend(&backend);
  ReaderInBurstEngine engine;
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  constexpr int kBurst = 3 * CmDNS::kRepliesPerCycle;
  for (int i = 0; i < kBurst; ++i) backend.Add("cam" + std::to_string(i), 2, kDNSServiceFlagsMoreComing);
  ASSERT_TRUE(engine.WaitCount('a', kBurst));
  EXPECT_EQ(engine.idsAtFirstAdd, std::optional<size_t>(1));
  uint32_t next = 1;
  for (const RecordingEngine::Event& e : engine.Events()) {
    if (e.kind != 'a') continue;
    EXPECT_EQ(e.id, next);
    EXPECT_EQ(e.name, "cam" + std::to_string(next - 1));
    ++next;
  }
  EXPECT_EQ(backend.LiveResolves(), size_t{kBurst});

  backend.Answer("cam0", "cam0._http._tcp.local.", "cam0.local.", 80, Txt({"v=2"}));
  ASSERT_TRUE(engine.WaitCount('c', 1));
  EXPECT_EQ(engine.txtAtChange, std::optional<std::string>("2"));
  backend.Remove("cam0");
  ASSERT_TRUE(engine.WaitCount('r', 1));
  EXPECT_EQ(engine.foundAtRemove, std::optional<bool>(false));
  EXPECT_EQ(engine.RecordCount(), size_t{kBurst - 1});
  engine.Close();
  EXPECT_EQ(engine.RecordCount(), 0u);
  DNSServiceSetDefaultBackend(nullptr);
}

TEST_F(EngineTest, FailuresLeaveTheEngineConsistent) {
  backend.browseError = kDNSServiceErr_Unknown;
  Browse();
  EXPECT_EQ(backend.Operations().size(), 0u);
  EXPECT_TRUE(engine.Close());
  backend.browseError = 0;

  backend.resolveError = kDNSServiceErr_Unknown;
  Browse();
  backend.Add("Unresolved");
  ASSERT_TRUE(engine.WaitCount('a', 1));
  EXPECT_EQ(Record(1).Port, 0u);
  EXPECT_EQ(engine.Count('q'), 0u);
  backend.resolveError = 0;

  // a lost responder ends the events thread (no reply is handled any more); Close still
  // cleans up
  backend.Browser()->MarkLost();
  ASSERT_TRUE(engine.Wait([&] { return engine.EventsThreadEnded(); }));
  backend.Add("After");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(engine.Count('a'), 1u);
  EXPECT_TRUE(engine.Close());
  EXPECT_EQ(engine.RecordCount(), 0u);
}

TEST(EngineWithoutResponder, BrowseFailsQuietly) {
  DNSServiceSetDefaultBackend(nullptr);
  RecordingEngine engine;
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  EXPECT_TRUE(engine.Close());
  EXPECT_TRUE(engine.Events().empty());
}

// Holds the events thread between its wait and the replies, once armed, so that a test
// can run Close exactly there.
class HeldEngine : public RecordingEngine {
 public:
  void Arm() {
    std::lock_guard lock(mutex_);
    armed_ = true;
  }
  bool WaitHeld() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [this] { return held_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  bool ThreadTakenOut() {
    boost::lock_guard lock(RecordLock);
    return !EventsThread;
  }

 protected:
  void OnEventsCycleWoken() override {
    std::unique_lock lock(mutex_);
    if (!armed_) return;
    armed_ = false;
    held_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool armed_ = false;
  bool held_ = false;
  bool released_ = false;
};

// A browse reply that arrives while Close stops the events thread: the thread is past
// its wait when Close signals it and takes it out, then goes on to the reply. The reply
// must neither be handled nor start a second events thread, and Close must return.
TEST(EngineClose, ReplyArrivingWhileCloseStopsTheThreadStartsNoOther) {
  ScriptedBackend backend;
  DNSServiceSetDefaultBackend(&backend);
  HeldEngine engine;
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  engine.Arm();
  backend.Add("Late");
  ASSERT_TRUE(engine.WaitHeld());
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    engine.Close();
    closed = true;
  });
  ASSERT_TRUE(RecordingEngine::Wait([&] { return engine.ThreadTakenOut(); }));
  engine.Release();
  if (!RecordingEngine::Wait([&] { return closed.load(); }, std::chrono::seconds(10))) {
    std::fprintf(stderr, "Close did not return: the stop missed the running events thread\n");
    std::_Exit(1);  // the engine cannot be torn down any more
  }
  closer.join();
  EXPECT_EQ(engine.Count('a'), 0u);
  EXPECT_EQ(backend.LiveResolves(), 0u);

  engine.BrowseOneDomain(0, "_http._tcp", "local.");  // the engine works on after that
  backend.Add("Next");
  EXPECT_TRUE(engine.WaitCount('a', 1));
  engine.Close();
  DNSServiceSetDefaultBackend(nullptr);
}

}  // namespace
