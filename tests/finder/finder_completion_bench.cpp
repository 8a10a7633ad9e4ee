// finder_completion_bench: how long CFindermDNS takes until every one of N simulated
// cameras is complete (resolved, hardware address, settings read), with every tenth
// camera never answering HTTP, and the longest a GetRecord call waited meanwhile. Run it
// in the network lab with enough camera addresses:
//   sudo tools/netlab/netlab --link 10.77.0.1/16=10.77.1.1/16x250 -- build/tests/finder/finder_completion_bench [N ...]
// (default N: 50 250). Prints figures only.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QString>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "camera/camera_client.h"
#include "finder/finder_mdns.h"
#include "platform/posted_event.h"
#include "platform/registered_message.h"
#include "records/record_event.h"
#include "finder/finder_core.h"
#include "tests/support/camsim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Stands for the main frame: notes which records were reported complete.
class UpdateCounter : public QObject {
 public:
  bool event(QEvent* e) override {
    const auto type = ravix::RegisterMessageType(ravix::kRecordChangedMessageName);
    const auto* message = ravix::PostedEvent<RecordEvent>::From(e, type);
    if (message == nullptr) return QObject::event(e);
    if (message->Value().Operation == RecordOperation::Update) updated.insert(message->Value().RecordID);
    return true;
  }
  std::set<uint32_t> updated;
};

// Calls GetRecord for every known record over and over; keeps the longest single wait.
class RecordReader {
 public:
  explicit RecordReader(CFindermDNS& engine) : engine_(engine), thread_([this] { Run(); }) {}
  ~RecordReader() {
    stop_ = true;
    thread_.join();
  }
  double LongestWaitMs() const { return longestNs_.load() / 1e6; }
  long Calls() const { return calls_.load(); }

 private:
  void Run() {
    std::vector<uint32_t> ids;
    while (!stop_) {
      engine_.GetRecordIDs(ids);
      for (uint32_t id : ids) {
        CBrowseRecord record;
        const auto start = Clock::now();
        engine_.GetRecord(id, record);
        const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        if (ns > longestNs_) longestNs_ = ns;
        ++calls_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  CFindermDNS& engine_;
  std::atomic<bool> stop_{false};
  std::atomic<long long> longestNs_{0};
  std::atomic<long> calls_{0};
  std::thread thread_;
};

int RunOnce(int cameras) {
  char pattern[] = "/tmp/finder-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string dir = pattern;

  CamsimProcess::Options options;
  options.cameras = cameras;
  options.profile = "plain";
  CamsimProcess sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }
  const nlohmann::json list = sim.List();
  int silent = 0;
  for (std::size_t i = 0; i < list.size(); i += 10, ++silent) sim.SetFaults(list[i]["host"], {{"no_answer", true}});

  int argc = 1;
  char name[] = "finder_completion_bench";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  CFinderCore core(ravix::AppProfile(QString::fromStdString(dir + "/profile.ini")));
  if (!core.StartDnssd(error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  core.theNetworkTools.RefreshAdapters();
  UpdateCounter counter;
  auto target = ravix::EventPostTarget::Make(&counter);
  int result = 0;
  {
    CFindermDNS engine(core.CameraContext());
    engine.SetNotifyTarget(target);
    RecordReader reader(engine);
    const auto start = Clock::now();
    engine.BrowseOneDomain(0, "_http._tcp", "local.");
    const auto limit = start + std::chrono::seconds(120);
    while (Clock::now() < limit) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      if (counter.updated.size() >= static_cast<std::size_t>(cameras) && engine.PendingCompletions() == 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double elapsed = Seconds(Clock::now() - start);
    const bool complete = counter.updated.size() >= static_cast<std::size_t>(cameras);
    std::printf("N=%d (%d never answering HTTP): %s after %.2f s; %zu cameras reported\n", cameras, silent,
                complete ? "all complete" : "NOT complete", elapsed, counter.updated.size());
    std::printf("  one after the other the silent cameras alone would take %.1f s (%d x %d ms timeout)\n",
                silent * kCameraRequestTimeoutMs / 1000.0, silent, kCameraRequestTimeoutMs);
    std::printf("  GetRecord on another thread: %ld calls, longest wait %.3f ms\n", reader.Calls(),
                reader.LongestWaitMs());
    if (!complete) result = 2;
    engine.Close();
    target->Detach();
    core.StopDnssd();
  }
  std::filesystem::remove_all(dir);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("NETLAB_ID") == nullptr) {
    std::fprintf(stderr, "run me inside tools/netlab (see the header of this file)\n");
    return 1;
  }
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {50, 250};
  int status = 0;
  for (int n : counts) {
    // A fresh process per run, so that no mDNS cache or thread of one run meets the next.
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
      std::setvbuf(stdout, nullptr, _IOLBF, 0);
      _exit(RunOnce(n));
    }
    int childStatus = 0;
    waitpid(child, &childStatus, 0);
    if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) status = 1;
  }
  return status;
}
