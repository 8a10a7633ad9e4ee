// The window tests write settings, credentials keys and layouts: none of it may reach the
// real user's files.
#include <QDir>
#include <QStandardPaths>

#include "gui_test_base.h"

namespace {

class Isolation : public GuiTestBase {};

TEST_F(Isolation, SettingsAndKeysStayInTemporaryFolders) {
  const QString home = QDir::homePath();
  for (auto location : {QStandardPaths::GenericDataLocation, QStandardPaths::GenericConfigLocation,
                        QStandardPaths::AppConfigLocation}) {
    const QString path = QStandardPaths::writableLocation(location);
    EXPECT_FALSE(path.startsWith(home + "/.local") || path.startsWith(home + "/.config")) << path.toStdString();
  }
  EXPECT_TRUE(KeyFolder().startsWith(QDir::tempPath())) << KeyFolder().toStdString();
  ASSERT_TRUE(Profile().WriteProfileInt("Settings", "View", 2));
  EXPECT_TRUE(ProfilePath().startsWith(QDir::tempPath()));
  EXPECT_EQ(ravix::AppProfile(ProfilePath()).GetProfileInt("Settings", "View", 0), 2);
}

}  // namespace
