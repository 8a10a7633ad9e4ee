// The window tests' main: an offscreen QApplication, and the user's config, data, cache and
// runtime folders in a temporary folder that lives as long as the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

int main(int argc, char** argv) {
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
    const QByteArray path = (home.path() + '/' + name).toLocal8Bit();
    QDir().mkpath(QString::fromLocal8Bit(path));
    QFile::setPermissions(QString::fromLocal8Bit(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
    setenv(name, path.constData(), 1);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QT_NO_GLIB", "1", 0);  // Qt's own event dispatcher (see cmake/RavixTesting.cmake)
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
