// The test's main thread is the GUI thread: it owns the QCoreApplication.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_NO_GLIB", "1", 0);  // Qt's own event dispatcher (see cmake/RavixTesting.cmake)
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
