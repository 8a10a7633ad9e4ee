// The Assign Addresses wizard by the keyboard alone: every mnemonic on each page (its
// labels, buttons and the wizard's own buttons) names one control, so Alt+N goes to Next
// and the field keys go to their fields; typed text lands where the user put the focus.
// The camera is on loopback where nothing listens and the planned addresses are on no
// link of this machine: the preview's read and neighbour probe send nothing off it.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <map>

#include "camera/camera_connect.h"
#include "gui/plan/assign_addresses_wizard.h"
#include "gui_test_base.h"
#include "net/network_tools.h"

namespace {

class AssignWizardKeys : public GuiTestBase {};

CBrowseRecord OneCamera() {
  CBrowseRecord record;
  record.ID = 7;
  record.ServiceName = "Camera ZV0901";
  record.Port = 1;  // nothing listens: the preview's read fails at once, on loopback only
  record.AddTxtValue(txtkey::kVendor, "Zorvik");
  record.AddTxtValue(txtkey::kIpv4Net, "127.0.0.1");
  record.AddTxtValue(txtkey::kSerial, "ZV0901");
  return record;
}

// The mnemonic letter of a text ("Na&me" -> 'M'), 0 without one.
QChar Mnemonic(const QString& text) {
  for (int i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return text[i + 1].toUpper();
    ++i;  // "&&" is a plain ampersand
  }
  return QChar();
}

// Letter -> the texts that carry it, over the visible labels and buttons of the wizard.
std::map<QChar, QStringList> VisibleMnemonics(const QWizard& wizard) {
  std::map<QChar, QStringList> letters;
  const auto add = [&](const QWidget* widget, const QString& text) {
    const QChar letter = Mnemonic(text);
    if (!letter.isNull() && widget->isVisible() && widget->isEnabled()) letters[letter] << text;
  };
  for (const QLabel* label : wizard.findChildren<QLabel*>()) add(label, label->text());
  for (const QAbstractButton* button : wizard.findChildren<QAbstractButton*>()) add(button, button->text());
  return letters;
}

void ExpectOneControlPerMnemonic(const QWizard& wizard, const char* page) {
  for (const auto& [letter, texts] : VisibleMnemonics(wizard))
    EXPECT_EQ(texts.size(), 1) << page << ": Alt+" << letter.toLatin1() << " is shared by "
                               << texts.join(QStringLiteral(" | ")).toStdString();
}

TEST_F(AssignWizardKeys, EveryMnemonicNamesOneControlAndTheRangeIsTypedByKeys) {
  CNetworkTools tools;
  CameraConnectContext context{tools, true, nullptr, nullptr, {}};
  const std::vector<CBrowseRecord> cameras = {OneCamera()};
  CAssignAddressesWizard wizard(cameras, cameras, context);
  wizard.show();
  wizard.activateWindow();
  if (!QTest::qWaitForWindowActive(&wizard)) GTEST_SKIP() << "the platform activates no window";
  ExpectOneControlPerMnemonic(wizard, "source page");

  const auto typeAt = [&](Qt::Key key, const QString& text) {
    QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
    QTest::keyClicks(QApplication::focusWidget(), text);
  };
  typeAt(Qt::Key_F, QStringLiteral("198.51.100.110"));
  typeAt(Qt::Key_G, QStringLiteral("198.51.100.1"));
  typeAt(Qt::Key_M, QStringLiteral("198.51.100.53"));
  typeAt(Qt::Key_H, QStringLiteral("yard-{n}"));
  EXPECT_EQ(wizard.findChild<QLineEdit*>(QStringLiteral("firstAddress"))->text(), QStringLiteral("198.51.100.110"));
  EXPECT_EQ(wizard.findChild<QLineEdit*>(QStringLiteral("gateway"))->text(), QStringLiteral("198.51.100.1"));
  EXPECT_EQ(wizard.findChild<QLineEdit*>(QStringLiteral("nameServer"))->text(), QStringLiteral("198.51.100.53"));
  EXPECT_EQ(wizard.findChild<QLineEdit*>(QStringLiteral("hostPattern"))->text(), QStringLiteral("yard-{n}"));

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);  // Next, clicked shortly after
  ProcessEventsUntil([&] { return wizard.currentId() != CAssignAddressesWizard::SourcePageId; });
  ASSERT_EQ(wizard.currentId(), CAssignAddressesWizard::PreviewPageId)
      << wizard.findChild<QLabel*>(QStringLiteral("planFaults"))->text().toStdString();
  EXPECT_TRUE(wizard.isAncestorOf(QApplication::focusWidget())) << "the focus stays in the wizard";
  ExpectOneControlPerMnemonic(wizard, "preview page");
  EXPECT_EQ(Mnemonic(wizard.button(QWizard::NextButton)->text()), QChar('A')) << "Alt+A applies";
  wizard.reject();  // nothing was applied: closes at once
  EXPECT_FALSE(wizard.isVisible());
}

}  // namespace
