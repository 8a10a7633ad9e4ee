// The firmware tests run with an application object, as the programs do, so that the
// workers' progress events can be delivered.
#include <gtest/gtest.h>

#include <QCoreApplication>

// Under ThreadSanitizer: boost::regex hands its matcher memory blocks from thread to
// thread through a cache inside the (uninstrumented) boost_regex library, which the
// sanitizer cannot see; the blocks themselves are never shared at once.
extern "C" const char* __tsan_default_suppressions() { return "race:boost::re_detail_\n"; }

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
