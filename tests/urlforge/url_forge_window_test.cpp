// The UrlForge window without a camera, offscreen: the value row takes no more room than
// its shown control, F1 opens the guide's UrlForge section, and a message box shows its
// text as it is.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <vector>

#include "urlforge/window/url_forge_dlg.h"

namespace {

class UrlForgeWindow : public testing::Test {
 protected:
  UrlForgeWindow() {
    dialog_.SetUrlOpener([this](const QUrl& url) {
      opened_.push_back(url);
      return true;
    });
    dialog_.show();
  }

  template <class Widget>
  Widget* Child(const char* name) {
    auto* widget = dialog_.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  CUrlForgeDlg dialog_;
  std::vector<QUrl> opened_;
};

// No empty band between the selection row and the log: the log starts right below the
// lists (within one row's height), whatever the window's height.
TEST_F(UrlForgeWindow, LogFollowsTheSelectionRowWithoutABand) {
  const QRect method = Child<QComboBox>("method")->geometry();
  const QRect log = Child<QPlainTextEdit>("log")->geometry();
  EXPECT_LT(log.top() - method.bottom(), method.height()) << "method " << method.bottom() << ", log " << log.top();
}

TEST_F(UrlForgeWindow, F1OpensTheGuidesUrlForgeSection) {
  dialog_.activateWindow();
  if (!QTest::qWaitForWindowActive(&dialog_)) GTEST_SKIP() << "the platform activates no window";
  QTemporaryDir dir;
  const QString guide = dir.filePath(QStringLiteral("ravixfinder.html"));
  dialog_.SetGuideFile(guide);
  QTest::keyClick(&dialog_, Qt::Key_F1);
  EXPECT_TRUE(opened_.empty());
  EXPECT_TRUE(Child<QLabel>("status")->text().contains(guide));

  QFile file(guide);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<html></html>");
  file.close();
  QTest::keyClick(Child<QLineEdit>("ipAddress"), Qt::Key_F1);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0].toLocalFile(), guide);
  EXPECT_EQ(opened_[0].fragment(), "urlforge");
}

// A refused port brings a message box; its text is never read as markup.
TEST_F(UrlForgeWindow, MessageBoxShowsPlainText) {
  Qt::TextFormat format = Qt::AutoText;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    format = box->textFormat();
    box->accept();
  });
  closer.start(10);
  Child<QLineEdit>("ipAddress")->setText(QStringLiteral("192.0.2.1"));
  Child<QLineEdit>("port")->setText(QStringLiteral("0"));
  Child<QPushButton>("connect")->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return format != Qt::AutoText; }, 10000));
  EXPECT_EQ(format, Qt::PlainText);
}

}  // namespace
