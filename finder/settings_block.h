#pragma once
// SettingsBlock: the behaviour switches of section "Settings", read once at start-up.
// Apart from View and Addresses (the window's Add by Address) the finder never writes
// them; they are changed by editing the store. After start-up only View and Addresses
// change, on the GUI thread; other threads only read.

#include <string>
#include <vector>

#include "platform/app_profile.h"

enum class ViewMode : int { Tree = 1, List = 2 };

struct SettingsBlock {
  static constexpr int kDefaultMachineSleepInterval = 20000;
  static constexpr int kMaxMachineSleepInterval = 3600000;

  bool AlwaysUseIPAddress = true;
  bool ZorvikOnly = true;
  int MachineSleepInterval = kDefaultMachineSleepInterval;  // milliseconds, 0: no requery timer
  bool EnableTreeTips = true;
  ViewMode View = ViewMode::Tree;
  // Browse domains beside local. ("BrowseDomains", e.g. "cameras.example.net"), the DNS
  // servers the embedded responder asks for them ("DnsServers"; empty: the system's), and
  // the camera addresses, ranges and blocks the user added ("Addresses"). Lists are
  // separated by blanks (a hand-written INI line with commas would be read by the store
  // as a list of its own); entries that are not usable are traced and left out.
  std::vector<std::string> BrowseDomains;
  std::vector<std::string> DnsServers;
  std::vector<std::string> Addresses;

  // Reads the five values with their fallbacks, keeps each in its range and traces
  // "Using <name> = <value>" for each. An unreadable store is traced and gives the defaults.
  void Load(const ravix::AppProfile& profile);
  // Writes View (the only value ever written). False when the store refused the write.
  bool WriteView(const ravix::AppProfile& profile) const;
  // The usable entries of Addresses as the store holds them now (without what a command
  // line added for this run).
  static std::vector<std::string> ReadAddresses(const ravix::AppProfile& profile);
  // Writes Addresses. False when the store refused the write.
  bool WriteAddresses(const ravix::AppProfile& profile) const;
};

inline constexpr const char* kSettingsSection = "Settings";
