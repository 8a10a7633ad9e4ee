#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>

#include <string>

#include "platform/debug_trace.h"
#include "tests/support/temp_profile.h"
#include "finder/settings_block.h"

namespace {

SettingsBlock LoadFrom(const ravix::AppProfile& profile) {
  SettingsBlock block;
  block.Load(profile);
  return block;
}

std::string LoadTrace(const ravix::AppProfile& profile) {
  ravix::SetTraceEnabled(true);
  testing::internal::CaptureStderr();
  LoadFrom(profile);
  std::string trace = testing::internal::GetCapturedStderr();
  ravix::SetTraceEnabled(false);
  return trace;
}

void ExpectDefaults(const SettingsBlock& block) {
  EXPECT_TRUE(block.AlwaysUseIPAddress);
  EXPECT_TRUE(block.ZorvikOnly);
  EXPECT_EQ(block.MachineSleepInterval, 20000);
  EXPECT_TRUE(block.EnableTreeTips);
  EXPECT_EQ(block.View, ViewMode::Tree);
}

TEST(SettingsBlockLoad, NoValuesGiveDefaultsAndTraceEachValueInOrder) {
  TempProfile temp;
  ExpectDefaults(LoadFrom(temp.Profile()));
  EXPECT_EQ(LoadTrace(temp.Profile()),
            "Using AlwaysUseIPAddress = 1\nUsing ZorvikOnly = 1\nUsing MachineSleepInterval = 20000\n"
            "Using EnableTreeTips = 1\nUsing View = 1\nUsing BrowseDomains = \nUsing DnsServers = \n"
            "Using Addresses = \n");
}

TEST(SettingsBlockLoad, ReachListsKeepUsableEntriesAndAddressesRoundTrip) {
  TempProfile temp;
  temp.WriteFile(
      "[Settings]\nBrowseDomains=cameras.example.net Site-2.example.org. local bad!name\n"
      "DnsServers=192.0.2.53 dns.example.net\nAddresses=192.0.2.10 10.1.0.0/21 10.1.1.5-9 224.0.0.1\n");
  SettingsBlock block = LoadFrom(temp.Profile());
  EXPECT_EQ(block.BrowseDomains, (std::vector<std::string>{"cameras.example.net.", "Site-2.example.org."}));
  EXPECT_EQ(block.DnsServers, (std::vector<std::string>{"192.0.2.53"}));
  EXPECT_EQ(block.Addresses, (std::vector<std::string>{"192.0.2.10", "10.1.1.5-9"}));
  const std::string trace = LoadTrace(temp.Profile());
  EXPECT_NE(trace.find("BrowseDomains: entry left out: local. is always browsed"), std::string::npos) << trace;
  EXPECT_NE(trace.find("Addresses: entry left out: '10.1.0.0/21': blocks wider than /22"), std::string::npos);

  block.Addresses.push_back("198.51.100.0/24");
  ASSERT_TRUE(block.WriteAddresses(temp.Profile()));
  EXPECT_EQ(LoadFrom(temp.Profile()).Addresses,
            (std::vector<std::string>{"192.0.2.10", "10.1.1.5-9", "198.51.100.0/24"}));
  EXPECT_EQ(LoadFrom(temp.Profile()).BrowseDomains.size(), 2u);  // the other lists stay
}

TEST(SettingsBlockLoad, SwitchesAreOnForAnyValueButZero) {
  TempProfile temp;
  temp.WriteFile("[Settings]\nAlwaysUseIPAddress=0\nZorvikOnly=7\nEnableTreeTips=-1\n");
  const SettingsBlock block = LoadFrom(temp.Profile());
  EXPECT_FALSE(block.AlwaysUseIPAddress);
  EXPECT_TRUE(block.ZorvikOnly);
  EXPECT_TRUE(block.EnableTreeTips);
  EXPECT_NE(LoadTrace(temp.Profile()).find("Using AlwaysUseIPAddress = 0\nUsing ZorvikOnly = 1\n"), std::string::npos);
}

TEST(SettingsBlockLoad, MachineSleepIntervalKeepsItsRange) {
  const struct {
    const char* stored;
    int expected;
  } cases[] = {{"-1", 20000},      {"0", 0},          {"3600000", 3600000}, {"3600001", 20000},
               {"4294967295", 20000}, {"sixty", 20000}, {"1500", 1500}};
  for (const auto& c : cases) {
    TempProfile temp;
    temp.WriteFile(std::string("[Settings]\nMachineSleepInterval=") + c.stored + "\n");
    EXPECT_EQ(LoadFrom(temp.Profile()).MachineSleepInterval, c.expected) << c.stored;
  }
}

TEST(SettingsBlockLoad, ViewOtherThanTreeOrListIsTree) {
  const struct {
    const char* stored;
    ViewMode expected;
  } cases[] = {{"0", ViewMode::Tree}, {"1", ViewMode::Tree}, {"2", ViewMode::List}, {"3", ViewMode::Tree},
               {"-1", ViewMode::Tree}};
  for (const auto& c : cases) {
    TempProfile temp;
    temp.WriteFile(std::string("[Settings]\nView=") + c.stored + "\n");
    EXPECT_EQ(LoadFrom(temp.Profile()).View, c.expected) << c.stored;
  }
}

TEST(SettingsBlockView, ListViewWrittenAtExitIsReadNextTimeAndNothingElseIsWritten) {
  TempProfile temp;
  temp.WriteFile("[Settings]\nView=0\nMachineSleepInterval=-1\n");
  SettingsBlock block = LoadFrom(temp.Profile());
  block.View = ViewMode::List;
  EXPECT_TRUE(block.WriteView(temp.Profile()));
  EXPECT_EQ(LoadFrom(temp.Profile()).View, ViewMode::List);
  EXPECT_EQ(temp.Profile().GetProfileInt("Settings", "View", 0), 2);
  // the out-of-range value stays as the user wrote it
  EXPECT_EQ(temp.Profile().GetProfileInt("Settings", "MachineSleepInterval", 0), -1);
  EXPECT_EQ(temp.Profile().GetProfileInt("Settings", "ZorvikOnly", 99), 99);
}

TEST(SettingsBlockBrokenStore, UnparsableFileGivesDefaultsTracesAndIsNotOverwritten) {
  TempProfile temp;
  const std::string broken = "[Settings]\nView=2\nZorvikOnly=0\n[Authentication\nMaster=x\n";
  temp.WriteFile(broken);
  ExpectDefaults(LoadFrom(temp.Profile()));
  const std::string trace = LoadTrace(temp.Profile());
  EXPECT_NE(trace.find("is unusable: it is not a valid settings file; the default settings are used"),
            std::string::npos)
      << trace;
  EXPECT_NE(trace.find(temp.Path().toStdString()), std::string::npos);

  SettingsBlock block;
  block.View = ViewMode::List;
  EXPECT_FALSE(block.WriteView(temp.Profile()));
  EXPECT_EQ(temp.ReadFile().toStdString(), broken);
}

TEST(SettingsBlockBrokenStore, UnreadableFileGivesDefaultsAndStaysUntouched) {
  TempProfile temp;
  // a folder where the file should be cannot be read by anybody, root included
  ASSERT_TRUE(QDir().mkpath(temp.Path() + "/inner"));
  ExpectDefaults(LoadFrom(temp.Profile()));
  EXPECT_NE(LoadTrace(temp.Profile()).find("cannot be read; the default settings are used"), std::string::npos);
  SettingsBlock block;
  EXPECT_FALSE(block.WriteView(temp.Profile()));
  EXPECT_TRUE(QDir(temp.Path() + "/inner").exists());
}

TEST(AppProfileLocation, UserProfileIsNamedAfterCompanyAndApplication) {
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
  ravix::AppProfile profile;
  SettingsBlock block;
  block.View = ViewMode::List;
  ASSERT_TRUE(block.WriteView(profile));
  QSettings direct(dir.path() + "/Zorvik Vision Components/Zorvik IP Camera Finder.conf", QSettings::IniFormat);
  EXPECT_EQ(direct.value("Settings/View").toInt(), 2);
}

TEST(AppProfileValues, NumbersTextsAndBytesRoundTripAndDwordsWrap) {
  TempProfile temp;
  const auto& p = temp.Profile();
  EXPECT_TRUE(p.WriteProfileInt("List", "ColumnSort00", -1));
  EXPECT_EQ(p.GetProfileInt("List", "ColumnSort00", 0), -1);
  temp.WriteFile(temp.ReadFile().toStdString() + "ColumnSort01=4294967295\nColumnSort02=4294967296\n");
  EXPECT_EQ(p.GetProfileInt("List", "ColumnSort01", 0), -1);  // as a DWORD would read
  EXPECT_EQ(p.GetProfileInt("List", "ColumnSort02", 5), 5);   // beyond 32 bits: not a number
  EXPECT_TRUE(p.WriteProfileString("List", "ColumnOrder", "bac"));
  EXPECT_EQ(p.GetProfileString("List", "ColumnOrder", ""), "bac");
  const unsigned char bytes[] = {0, 9, 255, '=', '\n', '[', 0};
  EXPECT_TRUE(p.WriteProfileBinary("Authentication", "AB 12", bytes, sizeof bytes));
  std::vector<unsigned char> back;
  ASSERT_TRUE(p.GetProfileBinary("Authentication", "AB 12", back));
  EXPECT_EQ(back, std::vector<unsigned char>(bytes, bytes + sizeof bytes));
  EXPECT_FALSE(p.GetProfileBinary("Authentication", "missing", back));
  EXPECT_EQ(p.GetProfileInt("List", "ColumnSort01", 0), -1);  // earlier values survive the writes
}

}  // namespace
