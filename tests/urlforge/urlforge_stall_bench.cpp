// How long UrlForge's GUI thread stalls during each network action against a camera that
// delays every answer (3 s by default): a 1 ms timer notes the largest gap between its
// ticks from the click until the dialog takes input again. Prints figures; not a test.
// Run inside the lab:
//   tools/netlab/netlab --link 192.0.2.1/24=192.0.2.10/24x2 -- build/tests/urlforge/urlforge_stall_bench [delay_ms]
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/camsim_process.h"
#include "urlforge/window/url_forge_dlg.h"

namespace {

constexpr const char* kCamera = "192.0.2.10";

class StallMeter {
 public:
  StallMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { largestMs_ = std::max(largestMs_, sinceTick_.restart()); });
  }
  void Start() {
    largestMs_ = 0;
    sinceTick_.start();
    timer_.start(1);
  }
  qint64 Stop() {
    timer_.stop();
    return std::max(largestMs_, sinceTick_.elapsed());
  }

 private:
  QTimer timer_;
  QElapsedTimer sinceTick_;
  qint64 largestMs_ = 0;
};

class Bench {
 public:
  explicit Bench(CUrlForgeDlg& dialog) : dialog_(dialog) {}

  template <class Widget>
  Widget* Child(const char* name) {
    auto* widget = dialog_.findChild<Widget*>(QLatin1String(name));
    if (widget == nullptr) {
      std::fprintf(stderr, "no control %s\n", name);
      std::exit(1);
    }
    return widget;
  }

  // Runs one action and prints how long it took and the longest stall meanwhile.
  template <class Action>
  bool Measure(const char* name, Action action) {
    QElapsedTimer took;
    took.start();
    meter_.Start();
    action();
    QDeadlineTimer deadline(60000);
    while (!dialog_.isEnabled() && !deadline.hasExpired()) QTest::qWait(1);
    const qint64 stall = meter_.Stop();
    std::printf("%-12s %8lld ms %10lld ms%s\n", name, static_cast<long long>(took.elapsed()),
                static_cast<long long>(stall), dialog_.isEnabled() ? "" : "  (did not end)");
    return dialog_.isEnabled();
  }

  void Select(const char* list, const char* text) {
    auto* combo = Child<QComboBox>(list);
    combo->setCurrentIndex(combo->findText(QLatin1String(text)));
  }

 private:
  CUrlForgeDlg& dialog_;
  StallMeter meter_;
};

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int delayMs = argc > 1 ? std::atoi(argv[1]) : 3000;
  if (std::getenv("NETLAB_ID") == nullptr) {
    std::fprintf(stderr, "run inside tools/netlab (see the comment at the top)\n");
    return 2;
  }
  CamsimProcess::Options options;
  options.mdns = false;
  options.camerasJson = R"({"cameras": [{"name": "Slow", "host": "slow-cam", "address": "192.0.2.10", "port": 80}]})";
  CamsimProcess sim(options);
  std::string error;
  if (!sim.Start(&error) || !sim.SetFaults(kCamera, {{"delay_ms", delayMs}}, &error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }

  CUrlForgeDlg dialog;
  QStringList messages;
  dialog.SetMessageSink([&messages](const QString&, const QString& text) { messages << text; });
  dialog.show();
  if (!QTest::qWaitForWindowExposed(&dialog)) return 1;
  QTest::qWait(200);  // the first layout and paint are not part of any action
  Bench bench(dialog);
  bench.Child<QLineEdit>("ipAddress")->setText(QLatin1String(kCamera));

  std::printf("camera answers after %d ms\n%-12s %11s %13s\n", delayMs, "action", "took", "longest stall");
  bool ok = bench.Measure("Connect", [&] { bench.Child<QPushButton>("connect")->click(); });
  ok = ok && bench.Measure("Read", [&] { bench.Select("group", "Image"); });
  ok = ok && bench.Measure("Read", [&] { bench.Select("parameter", "Gain"); });
  bench.Select("method", "SetValue");
  ok = ok && bench.Measure("Execute", [&] { bench.Child<QPushButton>("execute")->click(); });
  ok = ok && bench.Measure("Execute URL", [&] { bench.Child<QPushButton>("executeUrl")->click(); });
  for (const QString& message : messages) std::printf("message: %s\n", qPrintable(message));
  return ok && messages.isEmpty() ? 0 : 1;
}
