#include "records/browse_record.h"
#include "records/dnssd_full_name.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

CBrowseRecord Camera(const char* name) {
  CBrowseRecord r;
  r.ServiceName = name;
  r.ServiceType = "_http._tcp.";
  r.SetDomain("local.");
  return r;
}

TEST(CBrowseRecord, NewRecordIsEmpty) {
  const CBrowseRecord r;
  EXPECT_TRUE(r.TxtRecord.empty());
  EXPECT_EQ(r.ID, 0u);
  EXPECT_EQ(r.Port, 0u);
  EXPECT_FALSE(r.NetworkSettingsValid);
  EXPECT_EQ(r.NetworkSettings, NetworkSettings{});
}

TEST(CBrowseRecord, TrailingDotRemovedOnce) {
  CBrowseRecord r;
  r.SetHostTarget("cam1.local..");
  EXPECT_EQ(r.HostTarget, "cam1.local.");
  r.SetHostTarget(".");
  EXPECT_EQ(r.HostTarget, "");
  r.SetHostTarget("");
  EXPECT_EQ(r.HostTarget, "");
  r.SetHostTarget(nullptr);
  EXPECT_EQ(r.HostTarget, "");
  r.SetDomain("local");
  EXPECT_EQ(r.Domain, "local");
  // with and without the final dot: one service
  EXPECT_TRUE(Camera("A").IsSameService([] {
    CBrowseRecord b = Camera("A");
    b.SetDomain("local");
    return b;
  }()));
}

TEST(CBrowseRecord, TxtValues) {
  CBrowseRecord r;
  EXPECT_TRUE(r.AddTxtValue("macaddress.zorvnet", "00-11-22-33-44-55"));
  EXPECT_FALSE(r.AddTxtValue("macaddress.zorvnet", "aa-bb-cc-dd-ee-ff"));  // advertised value kept
  EXPECT_EQ(r.GetTxtValueOrEmpty("macaddress.zorvnet"), "00-11-22-33-44-55");
  EXPECT_FALSE(r.AddTxtValue(nullptr, "x"));
  EXPECT_FALSE(r.AddTxtValue("x", nullptr));

  r.AddTxtValue("vendor.zorvnet", "Zorvik");
  std::string value = "unchanged";
  EXPECT_FALSE(r.GetTxtValue("Vendor.zorvnet", value));  // keys are case-sensitive
  EXPECT_FALSE(r.GetTxtValue(nullptr, value));
  EXPECT_EQ(value, "unchanged");
  EXPECT_TRUE(r.GetTxtValue("vendor.zorvnet", value));
  EXPECT_EQ(value, "Zorvik");
  EXPECT_EQ(r.GetTxtValueOrEmpty(nullptr), "");
  EXPECT_EQ(r.GetTxtValueOrEmpty("path"), "");
}

TEST(CBrowseRecord, KeysOrderedByteWise) {
  CBrowseRecord r;
  r.AddTxtValue("b", "1");
  r.AddTxtValue("\xC3\xA9", "2");  // high bytes sort after ASCII
  r.AddTxtValue("B", "3");
  r.AddTxtValue("", "4");
  std::string order;
  for (const auto& [key, value] : r.TxtRecord) order += value;
  EXPECT_EQ(order, "4312");
}

TEST(CBrowseRecord, FullNames) {
  CBrowseRecord r = Camera("Ravix Cam.1");
  EXPECT_EQ(r.GetFullName(), "Ravix Cam.1._http._tcp.local");
  EXPECT_TRUE(r.MatchesFullName("Ravix\\032Cam\\.1._http._tcp.local."));
  EXPECT_FALSE(r.MatchesFullName("Ravix\\032Cam.1._http._tcp.local."));
  EXPECT_FALSE(r.MatchesFullName(nullptr));

  CBrowseRecord noDomain = Camera("x");
  noDomain.SetDomain("");
  EXPECT_FALSE(noDomain.MatchesFullName("x._http._tcp."));
}

TEST(DNSServiceConstructFullName, EscapingAndTypes) {
  char out[kFullNameBufferSize];
  EXPECT_EQ(DNSServiceConstructFullName(out, "a\\b\tc", "_http._tcp", "local"), kDNSServiceErr_NoError);
  EXPECT_STREQ(out, "a\\\\b\\009c._http._tcp.local.");
  EXPECT_EQ(DNSServiceConstructFullName(out, "x", "_ipp._udp.", "local."), kDNSServiceErr_NoError);
  EXPECT_STREQ(out, "x._ipp._udp.local.");
  EXPECT_EQ(DNSServiceConstructFullName(out, "x", "_http._sctp", "local"), kDNSServiceErr_BadParam);
  EXPECT_EQ(DNSServiceConstructFullName(out, "x", "_http._tcp", ""), kDNSServiceErr_BadParam);
  EXPECT_EQ(DNSServiceConstructFullName(out, "x", "_http._tcp", nullptr), kDNSServiceErr_BadParam);
  EXPECT_STREQ(out, "");
  const std::string huge(1100, 'n');
  EXPECT_EQ(DNSServiceConstructFullName(out, huge.c_str(), "_http._tcp", "local"), kDNSServiceErr_BadParam);
}

TEST(CBrowseRecord, CopiesAreIndependent) {
  CBrowseRecord live = Camera("cam");
  live.SetHostTarget("old.local.");
  live.Port = 80;
  const CBrowseRecord copy = live;
  live.SetHostTarget("new.local.");
  live.Port = 8080;
  live.AddTxtValue("k", "v");
  EXPECT_EQ(copy.HostTarget, "old.local");
  EXPECT_EQ(copy.Port, 80u);
  EXPECT_TRUE(copy.TxtRecord.empty());
}

// Copies share their TXT pairs; every way of changing them leaves the other copies alone.
TEST(CBrowseRecord, TxtChangesStayWithTheirCopy) {
  CBrowseRecord live = Camera("cam");
  live.TxtRecord = CBrowseRecord::TxtMap{{"a", "1"}, {"b", "2"}};
  const CBrowseRecord before = live;
  CBrowseRecord added = live, erased = live, set = live, replaced = live;
  EXPECT_TRUE(added.AddTxtValue("c", "3"));
  EXPECT_FALSE(added.AddTxtValue("a", "changed"));
  erased.TxtRecord.erase("a");
  erased.TxtRecord.erase("absent");
  set.TxtRecord.Set("b", "22");
  replaced.TxtRecord = CBrowseRecord::TxtMap{};

  EXPECT_EQ(live.TxtRecord, (CBrowseRecord::TxtMap{{"a", "1"}, {"b", "2"}}));
  EXPECT_EQ(before.TxtRecord, live.TxtRecord);
  EXPECT_EQ(added.TxtRecord, (CBrowseRecord::TxtMap{{"a", "1"}, {"b", "2"}, {"c", "3"}}));
  EXPECT_EQ(erased.TxtRecord, (CBrowseRecord::TxtMap{{"b", "2"}}));
  EXPECT_EQ(set.GetTxtValueOrEmpty("b"), "22");
  EXPECT_TRUE(replaced.TxtRecord.empty());
  EXPECT_FALSE(set.TxtRecord == live.TxtRecord);
  EXPECT_TRUE(erased.TxtRecord.count("b") == 1 && erased.TxtRecord.count("a") == 0);
}

// Readers on other threads keep reading their copies while the record's owner changes
// the pairs (the sanitizer builds watch this one).
TEST(CBrowseRecord, CopiesOnOtherThreadsReadWhileTheOwnerChanges) {
  CBrowseRecord live = Camera("cam");
  live.TxtRecord = CBrowseRecord::TxtMap{{"vendor.zorvnet", "Zorvik"}, {"n", "0"}};
  std::mutex lock;  // guards live itself, as the engine's lock does; never the copies
  std::atomic<bool> stop{false};
  std::vector<std::thread> readers;
  std::atomic<int> wrong{0};
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&] {
      while (!stop) {
        CBrowseRecord copy;
        {
          const std::lock_guard hold(lock);
          copy = live;
        }
        if (copy.GetTxtValueOrEmpty("vendor.zorvnet") != "Zorvik" || copy.TxtRecord.size() != 2) ++wrong;
      }
    });
  }
  for (int i = 0; i < 2000; ++i) {
    const std::lock_guard hold(lock);
    if (i % 2 == 0)
      live.TxtRecord.Set("n", std::to_string(i));
    else
      live.TxtRecord = CBrowseRecord::TxtMap{{"vendor.zorvnet", "Zorvik"}, {"n", std::to_string(i)}};
  }
  stop = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(live.GetTxtValueOrEmpty("n"), "1999");
}

}  // namespace
