#include "finder/settings_block.h"

#include <string>

#include "platform/debug_trace.h"

namespace {

constexpr const char* kAlwaysUseIPAddress = "AlwaysUseIPAddress";
constexpr const char* kZorvikOnly = "ZorvikOnly";
constexpr const char* kMachineSleepInterval = "MachineSleepInterval";
constexpr const char* kEnableTreeTips = "EnableTreeTips";
constexpr const char* kView = "View";

int ReadSetting(const ravix::AppProfile& profile, const char* name, int fallback) {
  return profile.GetProfileInt(kSettingsSection, name, fallback);
}

}  // namespace

void SettingsBlock::Load(const ravix::AppProfile& profile) {
  std::string problem;
  if (!profile.IsReadable(&problem)) DebugTrace("%s; the default settings are used", problem.c_str());

  AlwaysUseIPAddress = ReadSetting(profile, kAlwaysUseIPAddress, 1) != 0;
  ZorvikOnly = ReadSetting(profile, kZorvikOnly, 1) != 0;
  MachineSleepInterval = ReadSetting(profile, kMachineSleepInterval, kDefaultMachineSleepInterval);
  EnableTreeTips = ReadSetting(profile, kEnableTreeTips, 1) != 0;
  const int view = ReadSetting(profile, kView, -1);

  if (MachineSleepInterval < 0 || MachineSleepInterval > kMaxMachineSleepInterval) {
    MachineSleepInterval = kDefaultMachineSleepInterval;
  }
  View = view == static_cast<int>(ViewMode::List) ? ViewMode::List : ViewMode::Tree;

  DebugTrace("Using %s = %i", kAlwaysUseIPAddress, AlwaysUseIPAddress ? 1 : 0);
  DebugTrace("Using %s = %i", kZorvikOnly, ZorvikOnly ? 1 : 0);
  DebugTrace("Using %s = %i", kMachineSleepInterval, MachineSleepInterval);
  DebugTrace("Using %s = %i", kEnableTreeTips, EnableTreeTips ? 1 : 0);
  DebugTrace("Using %s = %i", kView, static_cast<int>(View));
}

bool SettingsBlock::WriteView(const ravix::AppProfile& profile) const {
  return profile.WriteProfileInt(kSettingsSection, kView, static_cast<int>(View));
}
