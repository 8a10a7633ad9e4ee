// The password dialog, Set Default Password and the IP settings dialog, offscreen: what
// they show, what they hand back, what they refuse and when they warn.
#include <gmock/gmock.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "camera/credential_store.h"
#include "camera/credential_strings.h"
#include "gui/dialogs/dlg_password.h"
#include "gui/dialogs/edit_ip_settings.h"
#include "gui/dialogs/message_box.h"
#include "gui/dialogs/password_prompt_handler.h"
#include "gui/dialogs/reach_camera_dlg.h"
#include "gui_test_base.h"
#include "net/network_tools.h"
#include "tests/support/qt_pump.h"

namespace {

using testing::ElementsAre;

// Answers every message box with OK and keeps its text.
class MessageBoxes {
 public:
  MessageBoxes() {
    previous_ = ravix::SetMessageBoxHandler([this](const ravix::MessageBoxRequest& request) {
      texts.push_back(request.Text.toStdString());
      titles.push_back(request.Title.toStdString());
      return QMessageBox::Ok;
    });
  }
  ~MessageBoxes() { ravix::SetMessageBoxHandler(previous_); }
  std::vector<std::string> texts;
  std::vector<std::string> titles;

 private:
  ravix::MessageBoxHandler previous_;
};

template <class T>
T* Find(QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(QLatin1String(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

class PasswordDialog : public GuiTestBase {
 protected:
  CBrowseRecord Camera() {
    CBrowseRecord record;
    record.ServiceName = "Gate";
    record.HostTarget = "gate.local.";
    return record;
  }
  CNetworkTools tools_;
};

TEST_F(PasswordDialog, CameraPromptShowsItsTextsAndHandsBackWhatWasTyped) {
  PasswordPromptData data = MakeCameraPasswordPrompt(Camera(), nullptr);
  data.UserName = "admin";
  CDlgPassword dialog(data);
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Authentication for \"Gate\"");
  EXPECT_EQ(Find<QLabel>(dialog, "prompt")->text().toStdString(),
            "Please enter the username and password for camera \"Gate\".");
  EXPECT_EQ(Find<QLineEdit>(dialog, "userName")->text(), QStringLiteral("admin"));
  EXPECT_EQ(Find<QLineEdit>(dialog, "password")->echoMode(), QLineEdit::Password);
  QCheckBox* save = Find<QCheckBox>(dialog, "savePassword");
  EXPECT_TRUE(save->isChecked());
  EXPECT_TRUE(save->isEnabled());
  EXPECT_EQ(save->text(), QStringLiteral("&Save Password"));

  Find<QLineEdit>(dialog, "userName")->setText(QStringLiteral("root"));
  Find<QLineEdit>(dialog, "password")->setText(QStringLiteral("pa:ss@word"));
  save->setChecked(false);
  Find<QPushButton>(dialog, "ok")->click();  // no checking tools: OK ends the dialog
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(data.UserName, "root");
  EXPECT_EQ(data.Password, "pa:ss@word");
  EXPECT_FALSE(data.Save);
}

// Text from the network shows as it is: a service name with markup neither restyles nor
// spoofs the credential prompt, and a message box carrying it shows the markup literally.
TEST_F(PasswordDialog, MarkupFromTheNetworkShowsLiterally) {
  const QString markup = QStringLiteral("<b>x</b><img src=\"/tmp/y.png\">");
  CBrowseRecord camera = Camera();
  camera.ServiceName = markup.toStdString();
  PasswordPromptData data = MakeCameraPasswordPrompt(camera, nullptr);
  CDlgPassword dialog(data);
  const QLabel* prompt = Find<QLabel>(dialog, "prompt");
  EXPECT_TRUE(prompt->text().contains(markup));
  EXPECT_EQ(prompt->textFormat(), Qt::PlainText);
  EXPECT_TRUE(dialog.windowTitle().contains(markup));  // titles are never rich text

  Qt::TextFormat format = Qt::AutoText;
  QString shown;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    format = box->textFormat();
    shown = box->text();
    box->accept();
  });
  closer.start(10);
  ravix::ShowMessageBox(nullptr, markup, QMessageBox::Warning);  // opens and returns
  EXPECT_TRUE(PumpUntil([&] { return !shown.isEmpty(); }));
  EXPECT_EQ(shown, markup);
  EXPECT_EQ(format, Qt::PlainText);
}

// OK with checking tools: the check runs on a worker thread with the dialog locked.
void PressOkAndWaitForTheCheck(CDlgPassword& dialog) {
  Find<QPushButton>(dialog, "ok")->click();
  EXPECT_TRUE(PumpUntil([&] { return dialog.isEnabled(); }));
}

TEST_F(PasswordDialog, RefusedCredentialsShowTheBalloonAndKeepTheDialogOpen) {
  PasswordPromptData data = MakeCameraPasswordPrompt(Camera(), &tools_);
  CDlgPassword dialog(data);
  std::vector<CameraResult> answers{401, 18, 13};
  std::vector<std::string> tried;
  dialog.SetCredentialCheck([&](const PasswordPromptData& typed) {
    tried.push_back(typed.UserName + "/" + typed.Password);
    const CameraResult rc = answers.front();
    answers.erase(answers.begin());
    return rc;
  });
  dialog.show();
  QLineEdit* password = Find<QLineEdit>(dialog, "password");
  Find<QLineEdit>(dialog, "userName")->setText(QStringLiteral("admin"));
  password->setText(QStringLiteral("wrong"));
  PressOkAndWaitForTheCheck(dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.IsBalloonShown());
  auto* balloon = dialog.findChild<QWidget*>(QStringLiteral("passwordBalloon"));
  ASSERT_NE(balloon, nullptr);
  EXPECT_EQ(Find<QLabel>(*balloon, "passwordBalloonTitle")->text().toStdString(), "Invalid username or password");
  EXPECT_EQ(Find<QLabel>(*balloon, "passwordBalloonText")->text().toStdString(),
            "Please provide a valid username and password or click \"Cancel\" to abort.");
  EXPECT_EQ(password->selectedText(), QStringLiteral("wrong"));

  password->setText(QStringLiteral("still wrong"));  // typing hides the balloon
  EXPECT_FALSE(dialog.IsBalloonShown());
  PressOkAndWaitForTheCheck(dialog);  // 18: refused too
  EXPECT_TRUE(dialog.IsBalloonShown());
  EXPECT_TRUE(dialog.isVisible());

  password->setText(QStringLiteral("right"));
  PressOkAndWaitForTheCheck(dialog);  // 13: not a refusal, the caller's attempt reports it
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.IsBalloonShown());
  EXPECT_THAT(tried, ElementsAre("admin/wrong", "admin/still wrong", "admin/right"));
  EXPECT_EQ(data.Password, "right");
}

TEST_F(PasswordDialog, CancelEndsTheDialogEvenAfterARefusal) {
  PasswordPromptData data = MakeCameraPasswordPrompt(Camera(), &tools_);
  data.UserName = "admin";
  CDlgPassword dialog(data);
  dialog.SetCredentialCheck([](const PasswordPromptData&) { return CameraResult{401}; });
  dialog.show();
  PressOkAndWaitForTheCheck(dialog);
  ASSERT_TRUE(dialog.isVisible());
  Find<QLineEdit>(dialog, "userName")->setText(QStringLiteral("changed"));
  Find<QPushButton>(dialog, "cancel")->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(data.UserName, "admin");  // only OK hands values back... as typed before the refusal
}

TEST_F(PasswordDialog, SetDefaultPasswordStoresMasterOnOkAndNothingOnCancel) {
  CCredentialStore store(Profile(), TempPath(QStringLiteral("keys")).toStdString());
  MessageBoxes boxes;
  auto answer = [](bool ok, const char* user, const char* password) {
    QTimer::singleShot(0, [=] {
      auto* dialog = qobject_cast<CDlgPassword*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle().toStdString(), credential_strings::kDefaultCaption);
      EXPECT_EQ(Find<QLabel>(*dialog, "prompt")->text().toStdString(), credential_strings::kDefaultPrompt);
      QCheckBox* save = Find<QCheckBox>(*dialog, "savePassword");
      EXPECT_TRUE(save->isChecked());
      EXPECT_FALSE(save->isEnabled());
      EXPECT_TRUE(Find<QLineEdit>(*dialog, "userName")->text().isEmpty());  // never shows the stored one
      Find<QLineEdit>(*dialog, "userName")->setText(QString::fromLatin1(user));
      Find<QLineEdit>(*dialog, "password")->setText(QString::fromLatin1(password));
      Find<QPushButton>(*dialog, ok ? "ok" : "cancel")->click();
    });
  };
  // The dialog opens without a loop of its own; the value is stored on a worker thread and
  // the answer comes back to this one.
  const auto setDefault = [&store] {
    std::optional<bool> result;
    const std::thread::id gui = std::this_thread::get_id();
    ravix::RunSetDefaultPassword(nullptr, store, [&](bool stored) {
      EXPECT_EQ(std::this_thread::get_id(), gui);
      result = stored;
    });
    EXPECT_FALSE(result.has_value());
    QElapsedTimer clock;
    clock.start();
    while (!result && clock.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return result.value_or(false);
  };
  answer(false, "nobody", "x");
  EXPECT_FALSE(setDefault());
  EXPECT_FALSE(store.Exists(kMasterCredentials));

  answer(true, "admin", "zorvik");
  EXPECT_TRUE(setDefault());
  CameraCredentials stored;
  ASSERT_TRUE(store.Read(kMasterCredentials, stored));
  EXPECT_EQ(stored.UserName, "admin");
  EXPECT_EQ(stored.Password, "zorvik");

  answer(false, "other", "y");  // Cancel keeps the earlier value
  EXPECT_FALSE(setDefault());
  ASSERT_TRUE(store.Read(kMasterCredentials, stored));
  EXPECT_EQ(stored.UserName, "admin");
  EXPECT_TRUE(boxes.texts.empty());
}

// After the camera refused what the user typed (found by the login itself, not by the
// dialog's check), the next prompt first tells so, naming the user, then asks again.
TEST_F(PasswordDialog, RepeatedPromptShowsTheLoginFailedMessageFirst) {
  PasswordPromptService service;
  ravix::InstallPasswordDialog(service, nullptr);
  MessageBoxes boxes;
  bool dialogAfterMessage = false;
  QTimer answer;
  answer.setInterval(20);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<CDlgPassword*>(QApplication::activeModalWidget())) {
      dialogAfterMessage = boxes.texts.size() == 1;
      dialog->reject();
    }
  });
  answer.start();
  PasswordPromptData data = MakeCameraPasswordPrompt(Camera(), nullptr);
  data.LoginFailedMessage = FormatLoginFailedMessage("admin");
  GuiPasswordPrompt prompt(service);
  // A worker asks, as completion does; the GUI thread goes on with its own loop meanwhile.
  std::atomic<bool> done{false};
  PromptResult result = PromptResult::Ok;
  std::thread worker([&] {
    result = prompt.DoModal(data);
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(result, PromptResult::Cancel);
  EXPECT_THAT(boxes.texts, ElementsAre("Login failed for user \"admin\".\n\nPlease enter a valid username and "
                                       "password or click \"Cancel\" to cancel the login."));
  EXPECT_TRUE(dialogAfterMessage);
  service.RemoveHandler();
}

class IpSettingsDialog : public GuiTestBase {
 protected:
  IpSettingsDialog() : dialog_(Record(), tools_) {
    dialog_.SetReachabilityCheck([this](const CBrowseRecord&, const std::string& candidate) {
      candidates_.push_back(candidate);
      return reachable_;
    });
    NetworkSettings settings;
    settings.HostName = "yard-cam";
    settings.DHCP = false;
    settings.IPAddress = "192.168.77.12";
    settings.NetPrefix = 24;
    settings.NameServer = "192.168.77.2";
    settings.Gateway = "192.168.77.1";
    settings.HTTPPort = 80;
    dialog_.SetFromSettings(settings);
  }
  static CBrowseRecord Record() {
    CBrowseRecord record;
    record.ID = 4;
    record.ServiceName = "Yard";
    return record;
  }
  QLineEdit* Field(const char* name) { return Find<QLineEdit>(dialog_, name); }

  CNetworkTools tools_;
  CEditIPSettings dialog_;
  MessageBoxes boxes_;
  std::vector<std::string> candidates_;
  bool reachable_ = true;
};

TEST_F(IpSettingsDialog, ExchangesTheSevenFieldsBothWays) {
  EXPECT_EQ(dialog_.windowTitle(), QStringLiteral("IP Settings"));
  EXPECT_EQ(Field("name")->text(), QStringLiteral("yard-cam"));
  EXPECT_EQ(Field("ipAddress")->text(), QStringLiteral("192.168.77.12"));
  EXPECT_EQ(Field("prefix")->text(), QStringLiteral("24"));
  EXPECT_EQ(Field("port")->text(), QStringLiteral("80"));
  EXPECT_FALSE(Find<QCheckBox>(dialog_, "dhcp")->isChecked());
  for (const char* name : {"gateway", "ipAddress", "nameServer", "prefix"}) EXPECT_TRUE(Field(name)->isEnabled());

  Field("name")->setText(QStringLiteral("lobby-cam"));
  Field("port")->setText(QStringLiteral(" 8080 "));
  Field("prefix")->setText(QStringLiteral("16"));
  dialog_.show();
  Find<QPushButton>(dialog_, "transmit")->click();
  EXPECT_EQ(dialog_.result(), QDialog::Accepted);
  const NetworkSettings out = dialog_.ToSettings();
  EXPECT_EQ(out.HostName, "lobby-cam");
  EXPECT_EQ(out.HTTPPort, 8080);
  EXPECT_EQ(out.NetPrefix, 16);
  EXPECT_EQ(out.Gateway, "192.168.77.1");
  EXPECT_FALSE(out.DHCP);
  EXPECT_TRUE(boxes_.texts.empty());
}

TEST_F(IpSettingsDialog, BadValuesKeepTheDialogOpenWithTheFirstFaultFocused) {
  dialog_.show();
  QApplication::setActiveWindow(&dialog_);
  struct Case {
    const char* field;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"prefix", "33", "Enter an integer between 0 and 32."},
      {"prefix", "-1", "Enter an integer between 0 and 32."},
      {"prefix", "x", "Enter an integer."},
      {"port", "", "Enter a positive integer."},
      {"port", "-80", "Enter a positive integer."},
      {"port", "99999999999", "Enter a positive integer."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + "=" + c.text);
    Field("prefix")->setText(QStringLiteral("24"));
    Field("port")->setText(QStringLiteral("80"));
    Field(c.field)->setText(QString::fromLatin1(c.text));
    boxes_.texts.clear();
    Find<QPushButton>(dialog_, "transmit")->click();
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_THAT(boxes_.texts, ElementsAre(c.message));
    EXPECT_EQ(QApplication::focusWidget(), Field(c.field));
  }
  EXPECT_EQ(boxes_.titles.front(), "Zorvik IP Camera Finder");
}

TEST_F(IpSettingsDialog, FieldsRefuseWhatTheyCannotHold) {
  Field("name")->setText(QString(81, QLatin1Char('n')));
  EXPECT_EQ(Field("name")->text().size(), 80);
  QTest::keyClicks(Field("gateway"), QStringLiteral("10.a0.0.1-/x"));
  EXPECT_EQ(Field("gateway")->text(), QStringLiteral("192.168.77.110.0.0.1").left(15));
  Field("ipAddress")->clear();
  QTest::keyClicks(Field("ipAddress"), QStringLiteral("1o.0.0.1"));
  EXPECT_EQ(Field("ipAddress")->text(), QStringLiteral("1.0.0.1"));
}

TEST_F(IpSettingsDialog, DhcpClickTogglesTheAddressFieldsAndWarnsWhenUnreachable) {
  dialog_.show();
  QCheckBox* dhcp = Find<QCheckBox>(dialog_, "dhcp");
  reachable_ = false;
  dhcp->click();  // on: the candidate is no address at all
  for (const char* name : {"gateway", "ipAddress", "nameServer", "prefix"}) EXPECT_FALSE(Field(name)->isEnabled());
  EXPECT_TRUE(Field("name")->isEnabled());
  EXPECT_TRUE(Field("port")->isEnabled());
  EXPECT_THAT(candidates_, ElementsAre(""));
  EXPECT_THAT(boxes_.texts, ElementsAre("This change may cause the camera to be unreachable in the network. "));

  reachable_ = true;
  dhcp->click();  // off: the typed static address is the candidate, reachable, no warning
  for (const char* name : {"gateway", "ipAddress", "nameServer", "prefix"}) EXPECT_TRUE(Field(name)->isEnabled());
  EXPECT_THAT(candidates_, ElementsAre("", "192.168.77.12"));
  EXPECT_EQ(boxes_.texts.size(), 1u);

  Find<QPushButton>(dialog_, "transmit")->click();  // the warnings never block
  EXPECT_EQ(dialog_.result(), QDialog::Accepted);
}

TEST_F(IpSettingsDialog, LeavingTheAddressFieldWarnsForAnUnreachableAddress) {
  dialog_.show();
  QApplication::setActiveWindow(&dialog_);
  Field("ipAddress")->setFocus();
  Field("ipAddress")->setText(QStringLiteral("10.1.2.3"));
  reachable_ = false;
  QTest::keyClick(Field("ipAddress"), Qt::Key_Tab);
  EXPECT_THAT(candidates_, ElementsAre("10.1.2.3"));
  EXPECT_THAT(boxes_.texts, ElementsAre("This change may cause the camera to be unreachable in the network. "));
  EXPECT_EQ(dialog_.m_ipAddress, QStringLiteral("10.1.2.3"));
}

}  // namespace

// Reach Camera: the proposal in the field, OK only for an address that reaches the camera,
// the proposed addresses tried in order unless another one was typed; the camera's name
// from the network as plain text.
class ReachCameraDialog : public GuiTestBase {};

TEST_F(ReachCameraDialog, ProposalTypedAddressAndLinkLocal) {
  FirstContactProposal proposal;
  proposal.CameraName = "<b>Gate</b>";
  proposal.Adapter = "eth1";
  proposal.CameraAddress = "192.168.0.90";
  for (const char* text : {"192.168.0.254/24", "192.168.0.253/24"}) {
    ravix::AddressWithPrefix value;
    ASSERT_TRUE(ravix::ParseAddressWithPrefix(text, value));
    proposal.Candidates.push_back(value);
  }
  CReachCameraDlg dialog(proposal);
  auto* entry = dialog.findChild<QLineEdit*>(QStringLiteral("addressEntry"));
  auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("okButton"));
  auto* problem = dialog.findChild<QLabel*>(QStringLiteral("problem"));
  ASSERT_TRUE(entry && ok && problem);
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("situation"))->text(),
            QStringLiteral("<b>Gate</b> is at 192.168.0.90, in no subnet of adapter eth1."));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("situation"))->textFormat(), Qt::PlainText);
  EXPECT_EQ(entry->text(), QStringLiteral("192.168.0.254/24"));
  EXPECT_TRUE(ok->isEnabled());
  EXPECT_THAT(dialog.Candidates(), ElementsAre("192.168.0.254/24", "192.168.0.253/24"));

  entry->setText(QStringLiteral("192.168.1.7/24"));
  EXPECT_FALSE(ok->isEnabled()) << "another subnet";
  EXPECT_FALSE(problem->text().isEmpty());
  entry->setText(QStringLiteral("192.168.0.90/24"));
  EXPECT_FALSE(ok->isEnabled()) << "the camera's own";
  entry->setText(QStringLiteral(" 192.168.0.7/24 "));
  EXPECT_TRUE(ok->isEnabled()) << problem->text().toStdString();
  EXPECT_TRUE(problem->text().isEmpty());
  EXPECT_THAT(dialog.Candidates(), ElementsAre("192.168.0.7/24")) << "only what was typed";

  proposal.LinkLocal = true;
  proposal.CameraAddress = "169.254.3.4";
  proposal.Candidates.clear();
  CReachCameraDlg linkLocal(proposal);
  EXPECT_EQ(linkLocal.findChild<QLineEdit*>(), nullptr) << "the helper picks a link-local address";
  EXPECT_TRUE(linkLocal.findChild<QPushButton*>(QStringLiteral("okButton"))->isEnabled());
  EXPECT_TRUE(linkLocal.Candidates().empty());
}
