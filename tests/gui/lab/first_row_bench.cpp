// Time from starting the finder's window to the first camera row visible, in the demo lab
// (12 simulated cameras on an office and a zeroconf link). Prints figures only.
//   tools/netlab/netlab --link 192.168.77.1/24=192.168.77.10/24x9
//     --link 169.254.10.1/16=169.254.3.4/16x4 -- build/tests/gui/lab/first_row_bench [runs] [tree|list]
// The bench starts the simulators once, then runs the real application offscreen in a
// fresh process per run (cold discovery, a new profile each time): the clock starts just
// before the process is started and stops when a camera row lies in the view's visible area.
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "gui/app/main_frame.h"
#include "gui/app/ravix_finder_app.h"
#include "gui/app/ravix_finder_doc.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "platform/app_profile.h"
#include "tests/support/camsim_process.h"

namespace {

constexpr double kGoalSeconds = 0.5;
constexpr int kLongestRunMs = 30000;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::string DemoCameras(const char* file) {
  std::string source = Env("RAVIX_SOURCE_DIR");
  if (source.empty()) source = RAVIX_SOURCE_DIR_DEFAULT;
  std::ifstream in(source + "/scripts/demo/" + file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A camera row inside the visible area of the view: in the tree the cameras are the rows
// below the adapters (below the computer), in the list every row is one.
bool CameraRowVisible(QAbstractItemView& view) {
  const QAbstractItemModel* model = view.model();
  if (model == nullptr || !view.isVisible()) return false;
  const int cameraDepth = view.objectName() == QStringLiteral("camerasTreeView") ? 2 : 0;
  const QRect area = view.viewport()->rect();
  std::vector<std::pair<QModelIndex, int>> pending{{QModelIndex(), -1}};
  while (!pending.empty()) {
    const auto [parent, depth] = pending.back();
    pending.pop_back();
    for (int row = 0; row < model->rowCount(parent); ++row) {
      const QModelIndex index = model->index(row, 0, parent);
      if (depth + 1 < cameraDepth)
        pending.emplace_back(index, depth + 1);
      else if (view.visualRect(index).intersects(area))
        return true;
    }
  }
  return false;
}

// One run in this process: prints "main <ns> window <ns> record <ns> row <ns>" (monotonic
// clock) or "row -1" when no camera row appeared in time.
int RunWindow(int argc, char** argv, bool list) {
  const int64_t mainNs = MonotonicNs();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt(argc, argv);
  QTemporaryDir dir;
  const QString profileFile = dir.filePath(QStringLiteral("finder.ini"));
  ravix::AppProfile(profileFile).WriteProfileInt("Settings", "View", list ? 2 : 1);
  CRavixFinderApp::Options options;
  options.profileFile = profileFile;
  options.instanceDirectory = dir.path();
  options.showMessage = [](const QString& text) { std::fprintf(stderr, "first_row_bench: %s\n", qPrintable(text)); };
  CRavixFinderApp app(options);
  if (!app.InitInstance()) return app.ExitInstance(1);
  const int64_t windowNs = MonotonicNs();
  auto* view = dynamic_cast<QAbstractItemView*>(app.MainFrame()->ActiveView()->Widget());
  if (view == nullptr) return app.ExitInstance(1);
  int64_t recordNs = -1;
  int64_t rowNs = -1;
  // Three demo cameras ask for a password: the prompt is cancelled as a user would, and the
  // checks run from a timer so that they go on inside the prompt's own event loop.
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (auto* prompt = qobject_cast<QDialog*>(QApplication::activeModalWidget())) prompt->reject();
    std::vector<uint32_t> ids;
    if (recordNs < 0 && app.Document()->Finder().GetRecordIDs(ids) > 0) recordNs = MonotonicNs();
    if (rowNs < 0 && CameraRowVisible(*view)) rowNs = MonotonicNs();
  });
  check.start(2);
  QElapsedTimer clock;
  clock.start();
  while (rowNs < 0 && clock.elapsed() < kLongestRunMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
  check.stop();
  std::printf("main %lld window %lld record %lld row %lld\n", static_cast<long long>(mainNs),
              static_cast<long long>(windowNs), static_cast<long long>(recordNs), static_cast<long long>(rowNs));
  std::fflush(stdout);
  app.MainFrame()->close();
  app.ExitInstance(0);
  return rowNs < 0 ? 1 : 0;
}

struct Run {
  double main = 0, window = 0, record = 0, row = -1;  // seconds after the process was started
};

bool MeasureOnce(const std::string& self, bool list, Run& run) {
  const std::string command = "exec timeout 60 '" + self + "' --window " + (list ? "list" : "tree");
  const int64_t startNs = MonotonicNs();
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return false;
  long long mainNs = 0, windowNs = 0, recordNs = 0, rowNs = -1;
  const int fields = std::fscanf(child, "main %lld window %lld record %lld row %lld", &mainNs, &windowNs, &recordNs, &rowNs);
  pclose(child);
  if (fields != 4 || rowNs < 0) return false;
  auto since = [startNs](long long ns) { return ns < 0 ? -1.0 : static_cast<double>(ns - startNs) / 1e9; };
  run = {since(mainNs), since(windowNs), since(recordNs), since(rowNs)};
  return true;
}

// The one-minute load average, printed beside the figures.
std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one;
  file >> one;
  return one;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--window") == 0) return RunWindow(argc, argv, std::strcmp(argv[2], "list") == 0);
  if (Env("NETLAB_ID").empty() || Env("NETLAB_LINKS") != "2") {
    std::fprintf(stderr, "SKIP: run inside tools/netlab with the demo lab's two links (see the file's head)\n");
    return 77;
  }
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const bool list = argc > 2 && std::strcmp(argv[2], "list") == 0;
  std::unique_ptr<CamsimProcess> sims[2];
  for (int link = 0; link < 2; ++link) {
    CamsimProcess::Options options;
    options.cameraNamespace = Env(("NETLAB_CAM" + std::to_string(link)).c_str());
    options.camerasJson = DemoCameras(link == 0 ? "office.json" : "zeroconf.json");
    sims[link] = std::make_unique<CamsimProcess>(options);
    std::string error;
    if (options.camerasJson.empty() || !sims[link]->Start(&error)) {
      std::fprintf(stderr, "first_row_bench: simulator %d: %s\n", link, error.c_str());
      return 1;
    }
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::printf("first camera row visible, %s view, 12 cameras (seconds after the process was started)\n",
              list ? "list" : "tree");
  std::printf("%4s %10s %10s %12s %10s\n", "run", "main()", "window", "first record", "first row");
  std::vector<double> rows;
  for (int i = 1; i <= runs; ++i) {
    Run run;
    if (!MeasureOnce(self, list, run)) {
      std::printf("%4d no camera row within %d s\n", i, kLongestRunMs / 1000);
      continue;
    }
    std::printf("%4d %10.3f %10.3f %12.3f %10.3f\n", i, run.main, run.window, run.record, run.row);
    std::fflush(stdout);
    rows.push_back(run.row);
  }
  if (rows.empty()) return 1;
  const double median = Median(rows);
  std::printf("median of %zu runs: %.3f s (goal <= %.1f s: %s); longest %.3f s; load %s\n", rows.size(), median,
              kGoalSeconds, median <= kGoalSeconds ? "met" : "missed", *std::max_element(rows.begin(), rows.end()),
              LoadAverage().c_str());
  return 0;
}
