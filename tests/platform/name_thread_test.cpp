#include "platform/name_thread.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <string>
#include <thread>

namespace {

std::string NameOf(pthread_t thread) {
  char name[64] = {};
  pthread_getname_np(thread, name, sizeof name);
  return name;
}

TEST(NameThread, LongNamesAreCutTo15Bytes) {
  std::string seen;
  std::thread worker([&] {
    NameThread("RavixFinderHandleEventsThread");
    seen = NameOf(pthread_self());
  });
  worker.join();
  EXPECT_EQ(seen, "RavixFinderHand");
}

TEST(NameThread, ShortNameAndNull) {
  std::string seen;
  std::thread worker([&] {
    NameThread("FWUpdateThread");
    NameThread(nullptr);  // ignored
    seen = NameOf(pthread_self());
  });
  worker.join();
  EXPECT_EQ(seen, "FWUpdateThread");
}

}  // namespace
