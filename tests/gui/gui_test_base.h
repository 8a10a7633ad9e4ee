#pragma once
// GuiTestBase: the fixture of every window test. The program's main has made the
// QApplication (offscreen) and pointed the user's config and data folders at a temporary
// folder, so nothing a test does reaches the real user's settings or credentials key.
// Each test gets a settings file of its own (Profile()), removed afterwards.

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include "platform/app_profile.h"

class GuiTestBase : public testing::Test {
 protected:
  GuiTestBase();
  ~GuiTestBase() override;

  // The test's own settings store (an INI file in the test's temporary folder).
  ravix::AppProfile& Profile() { return *profile_; }
  const QString& ProfilePath() const { return profilePath_; }
  // The test's temporary folder, for files it makes (firmware images, help pages, ...).
  QString TempPath(const QString& name) const { return dir_.filePath(name); }
  // Where the credentials key lives during the whole program (XDG_DATA_HOME).
  static QString KeyFolder();

  // Runs the event loop until done() holds or timeoutMs passed; false on timeout.
  static bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000);

 private:
  QTemporaryDir dir_;
  QString profilePath_;
  std::unique_ptr<ravix::AppProfile> profile_;
};
