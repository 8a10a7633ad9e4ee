#include "finder/settings_block.h"

#include <string>

#include "discovery/wide_area_config.h"
#include "net/address_block.h"
#include "net/ipv4_text.h"
#include "platform/debug_trace.h"

namespace {

constexpr const char* kAlwaysUseIPAddress = "AlwaysUseIPAddress";
constexpr const char* kZorvikOnly = "ZorvikOnly";
constexpr const char* kMachineSleepInterval = "MachineSleepInterval";
constexpr const char* kEnableTreeTips = "EnableTreeTips";
constexpr const char* kView = "View";
constexpr const char* kBrowseDomains = "BrowseDomains";
constexpr const char* kDnsServers = "DnsServers";
constexpr const char* kAddresses = "Addresses";

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::string item;
  for (const char c : text + ",") {
    if (c != ',' && c != ' ' && c != '\t' && c != ';') {
      item += c;
      continue;
    }
    if (!item.empty()) items.push_back(item);
    item.clear();
  }
  return items;
}

std::string JoinList(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : " ") + item;
  return text;
}

// The usable entries of list setting name; every refused one is traced with its reason.
std::vector<std::string> ReadList(const ravix::AppProfile& profile, const char* name,
                                  bool (*check)(const std::string&, std::string&, std::string&)) {
  std::vector<std::string> kept;
  for (const std::string& item : SplitList(profile.GetProfileString(kSettingsSection, name, ""))) {
    std::string value, error;
    if (check(item, value, error)) {
      kept.push_back(value);
      continue;
    }
    DebugTrace("%s: entry left out: %s", name, error.c_str());
  }
  DebugTrace("Using %s = %s", name, JoinList(kept).c_str());
  return kept;
}

bool CheckServer(const std::string& text, std::string& value, std::string& error) {
  uint32_t address = 0;
  if (!ravix::ParseIPv4(text, address)) {
    error = "'" + text + "' is not an IPv4 address";
    return false;
  }
  value = text;
  return true;
}

bool CheckAddresses(const std::string& text, std::string& value, std::string& error) {
  std::vector<uint32_t> addresses;
  if (!ravix::ParseAddressBlock(text, addresses, error)) return false;
  value = text;
  return true;
}

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
  BrowseDomains = ReadList(profile, kBrowseDomains, &ravix::NormaliseBrowseDomain);
  DnsServers = ReadList(profile, kDnsServers, &CheckServer);
  Addresses = ReadAddresses(profile);
}

std::vector<std::string> SettingsBlock::ReadAddresses(const ravix::AppProfile& profile) {
  return ReadList(profile, kAddresses, &CheckAddresses);
}

bool SettingsBlock::WriteView(const ravix::AppProfile& profile) const {
  return profile.WriteProfileInt(kSettingsSection, kView, static_cast<int>(View));
}

bool SettingsBlock::WriteAddresses(const ravix::AppProfile& profile) const {
  return profile.WriteProfileString(kSettingsSection, kAddresses, JoinList(Addresses));
}
