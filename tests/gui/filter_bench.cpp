// filter_bench: how long one typed character of the quick filter takes at 2000 records in
// each camera view (the list sorted by Name then Model, all rows selected), from the new
// text to the view laid out and painted again by the event loop. Types "7", "77", "770",
// then takes them back one by one down to the empty filter, and types an address part
// ("10.0.1") the same way. Prints every step (the model's filter, then the event loop:
// layout and the paint the view asks for; medians of the rounds), the longest beside the
// goal of one frame (16 ms), and for reference one forced paint of the whole view.
//   QT_QPA_PLATFORM=offscreen build/tests/gui/filter_bench [records] [rounds]
#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/widgets/cameras_list_view.h"
#include "gui/widgets/cameras_view.h"
#include "tests/gui/views_test_host.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFrameMs = 16.0;

void Fill(RecordStoreHost& host, int count) {
  const char* models[] = {"Ravix-B120", "Ravix-D210", "Ravix2-B300", "Ravix2-D400"};
  for (int i = 1; i <= count; ++i) {
    const auto id = static_cast<uint32_t>(i);
    CBrowseRecord record = MakeCamera(id, "Camera " + std::to_string((i * 7919) % count), models[i % 4], 2 + i % 2);
    record.AddTxtValue(txtkey::kIpv4Net, ("10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250)).c_str());
    record.AddTxtValue(txtkey::kSerial, std::to_string(100000 + i).c_str());
    record.AddTxtValue(txtkey::kMacAddress, "00:40:8c:00:00:00");
    record.NetworkSettingsValid = true;
    host.Put(record);
  }
  QApplication::processEvents();
}

// The texts a user has in the field after each key: typed, then erased, for each word.
std::vector<std::string> Keystrokes() {
  std::vector<std::string> texts;
  for (const std::string word : {"770", "10.0.1"}) {
    for (std::size_t n = 1; n <= word.size(); ++n) texts.push_back(word.substr(0, n));
    for (std::size_t n = word.size(); n-- > 0;) texts.push_back(word.substr(0, n));
  }
  return texts;
}

struct Step {
  std::string text;
  int shown = 0;
  std::vector<double> filterMs, loopMs;  // one per round
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Ms(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double, std::milli>(to - from).count(); }

// Each round types and erases the words once; the figures are the medians of the rounds
// (the machine is shared, single runs vary).
void Run(const char* name, CameraItemView& view, int rounds) {
  std::vector<Step> steps;
  for (const std::string& text : Keystrokes()) steps.push_back(Step{text, 0, {}, {}});
  for (int round = 0; round < rounds; ++round) {
    for (Step& step : steps) {
      const auto start = Clock::now();
      view.SetFilterText(QString::fromStdString(step.text));  // the model and its signals
      const auto filtered = Clock::now();
      QApplication::processEvents();  // the view's delayed layout and its repaint
      const auto done = Clock::now();
      step.filterMs.push_back(Ms(start, filtered));
      step.loopMs.push_back(Ms(filtered, done));
      step.shown = view.Counts().shown;
    }
  }
  double longest = 0;
  std::string longestText;
  for (const Step& step : steps) {
    const double filter = Median(step.filterMs), loop = Median(step.loopMs);
    std::printf("%-10s \"%s\"%*s -> %4d of %d shown: filter %6.2f + layout and paint %6.2f = %6.2f ms\n", name,
                step.text.c_str(), static_cast<int>(8 - step.text.size()), "", step.shown, view.Counts().total, filter,
                loop, filter + loop);
    if (filter + loop > longest) {
      longest = filter + loop;
      longestText = step.text;
    }
  }
  std::printf("%-10s one typed character at %d records: longest %.2f ms (\"%s\", median of %d rounds); goal %.0f ms "
              "(one frame)\n",
              name, view.Counts().total, longest, longestText.c_str(), rounds, kFrameMs);
  std::vector<double> paints;
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    view.viewport()->repaint();
    paints.push_back(Ms(start, Clock::now()));
  }
  std::printf("%-10s for reference, one forced paint of the whole view (%dx%d): %.2f ms\n\n", name, view.width(),
              view.height(), Median(paints));
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  QTemporaryDir dir;
  const std::vector<AdapterEntry> adapters = {MakeAdapter(2, "eth0", {{"10.0.0.1", "255.255.0.0"}}),
                                              MakeAdapter(3, "eth1", {{"10.1.0.1", "255.255.0.0"}})};
  {
    RecordStoreHost host(dir.filePath(QStringLiteral("list.ini")), adapters);
    CCamerasListView list(host);
    list.resize(1200, 800);
    list.show();
    list.OnInitialUpdate();
    list.OnColumnClick(views::Index(views::Column::Model));
    list.OnColumnClick(views::Index(views::Column::Name));
    Fill(host, count);
    list.SelectAll();
    Run("list view", list, rounds);
  }
  {
    RecordStoreHost host(dir.filePath(QStringLiteral("tree.ini")), adapters);
    CCamerasView tree(host);
    tree.resize(400, 800);
    tree.show();
    tree.OnInitialUpdate();
    Fill(host, count);
    Run("tree view", tree, rounds);
  }
  return 0;
}
