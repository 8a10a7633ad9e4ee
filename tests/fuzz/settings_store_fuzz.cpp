// The finder's settings store as a user or a broken disk may leave it: the input is the
// INI file, read by the settings block, the window placement and the list's column layout.

#include <fcntl.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/app_profile.h"
#include "shell/column_layout_store.h"
#include "views/record_columns.h"
#include "finder/settings_block.h"
#include "shell/window_placement_store.h"

namespace {

// One INI file in a folder of its own. Every input gets its own modification time, so
// that neither Qt's parsed copy nor the memory of unusable files keeps an earlier input.
class FuzzProfile {
 public:
  FuzzProfile() : path_(dir_.path() + "/profile.ini"), profile_(path_) {
    if (!dir_.isValid()) std::abort();
    // Qt warns about every stored value of an unknown type; fatal messages still end the run.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
      if (type == QtFatalMsg) std::abort();
    });
  }

  const ravix::AppProfile& Write(const uint8_t* data, size_t size) {
    {
      std::ofstream out(path_.toStdString(), std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ++stamp_;
    const timespec times[2] = {{stamp_, 0}, {stamp_, 0}};
    utimensat(AT_FDCWD, path_.toStdString().c_str(), times, 0);
    return profile_;
  }

 private:
  QTemporaryDir dir_;
  QString path_;
  ravix::AppProfile profile_;
  time_t stamp_ = 1000000000;
};

FuzzProfile& Profile() {
  static FuzzProfile profile;
  return profile;
}

void CheckSettings(const ravix::AppProfile& profile) {
  SettingsBlock block;
  block.Load(profile);
  if (block.MachineSleepInterval < 0 || block.MachineSleepInterval > SettingsBlock::kMaxMachineSleepInterval)
    std::abort();
  if (block.View != ViewMode::Tree && block.View != ViewMode::List) std::abort();
}

void CheckPlacement(const ravix::AppProfile& profile, int width, int height, std::optional<int> pending) {
  const auto placement = WindowPlacementStore::Load(profile, width, height, pending);
  if (!placement) return;
  const PlacementRect screen{0, 0, width, height};
  if (WindowPlacementStore::Intersect(placement->rcNormalPosition, screen).IsEmpty()) std::abort();
  if (placement->showCmd != pending.value_or(kShowNormal)) std::abort();
}

bool IsPermutation(const std::vector<int>& order, size_t n) {
  if (order.size() != n) return false;
  std::vector<bool> seen(n, false);
  for (int column : order) {
    if (column < 0 || static_cast<size_t>(column) >= n || seen[static_cast<size_t>(column)]) return false;
    seen[static_cast<size_t>(column)] = true;
  }
  return true;
}

void CheckLayout(const ravix::AppProfile& profile, int columns) {
  ColumnLayout layout = ColumnLayout::Defaults(std::vector<int>(static_cast<size_t>(columns), 80));
  ColumnLayoutStore::Load(profile, layout);
  if (layout.widths.size() != static_cast<size_t>(columns)) std::abort();
  for (int width : layout.widths) {
    if (width < 0 || width > 0xFFFF) std::abort();
  }
  for (SortKey key : layout.sortKeys) {
    if (key == kEmptySortKey) continue;
    if ((key & 0xFFFF) >= columns || (key & ~(0xFFFF | kSortDescendingBit)) != 0) std::abort();
  }
  if (!IsPermutation(layout.order, static_cast<size_t>(columns))) std::abort();
}

void CheckColumnOrder(const std::string& text, int n) {
  const auto order = ColumnLayoutStore::ParseColumnOrder(text, n);
  if (!order) return;
  if (!IsPermutation(*order, static_cast<size_t>(n))) std::abort();
  const size_t given = std::min(text.size(), static_cast<size_t>(n));
  for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
    const int expected = i < given ? static_cast<unsigned char>(text[i]) - 'a' : static_cast<int>(i);
    if ((*order)[i] != expected) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ravix::AppProfile& profile = Profile().Write(data, size);
  CheckSettings(profile);
  CheckPlacement(profile, 1920, 1080, std::nullopt);
  CheckPlacement(profile, 640, 480, 3);
  CheckLayout(profile, views::kColumnCount);
  CheckLayout(profile, 3);
  CheckLayout(profile, 0);

  const std::string text(reinterpret_cast<const char*>(data), size);
  for (int n : {0, 1, 3, views::kColumnCount, 26, 40}) CheckColumnOrder(text, n);
  return 0;
}
