// The login prompt, the IP settings dialog and its transmit against simulated cameras
// found by the real discovery engine; the simulator's request log says what reached the
// cameras.
#include <gmock/gmock.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_client.h"
#include "camera/camera_connect.h"
#include "finder/finder_core.h"
#include "finder/finder_mdns.h"
#include "gui/dialogs/dlg_password.h"
#include "gui/dialogs/edit_ip_settings.h"
#include "gui/dialogs/ip_settings_command.h"
#include "gui/dialogs/message_box.h"
#include "gui/dialogs/password_prompt_handler.h"
#include "gui_test_base.h"
#include "platform/event_post_target.h"
#include "tests/support/camsim_process.h"

namespace {

using testing::ElementsAre;

const char* const kCameras = R"({"cameras": [
  {"name": "Yard", "host": "yard-cam", "address": "192.168.77.10", "serial": "ZV0010"},
  {"name": "Gate", "host": "gate-cam", "address": "192.168.77.11", "serial": "ZV0011",
   "login": {"username": "admin", "password": "zorvik"}},
  {"name": "Shed", "host": "shed-cam", "address": "192.168.77.12", "serial": "ZV0012"}
]})";

bool InsideLab() { return std::getenv("NETLAB_ID") != nullptr; }

// Answers the password dialogs of the completion threads the way a person would, step
// by step: each step types a user name and password (Save ticked) and presses OK. After
// each press it notes whether the error balloon came up.
class PasswordTyper : public QObject {
 public:
  struct Step {
    const char* user;
    const char* password;
  };
  explicit PasswordTyper(std::vector<Step> steps) : steps_(std::move(steps)) {
    timer_.setInterval(50);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_.start();
  }
  std::vector<bool> balloonAfterStep;
  std::vector<std::string> captions;
  std::function<void()> afterRefusal;  // runs once the balloon was seen

 private:
  void Tick() {
    auto* dialog = qobject_cast<CDlgPassword*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isEnabled()) return;  // disabled: OK's login still runs
    if (pressed_ > 0 && balloonAfterStep.size() < pressed_) {
      balloonAfterStep.push_back(dialog->IsBalloonShown());
      if (dialog->IsBalloonShown() && afterRefusal) afterRefusal();
    }
    if (pressed_ >= steps_.size()) return;
    captions.push_back(dialog->windowTitle().toStdString());
    const Step& step = steps_[pressed_++];
    dialog->findChild<QLineEdit*>(QStringLiteral("userName"))->setText(QString::fromLatin1(step.user));
    dialog->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QString::fromLatin1(step.password));
    dialog->findChild<QCheckBox*>(QStringLiteral("savePassword"))->setChecked(true);
    dialog->findChild<QPushButton*>(QStringLiteral("ok"))->click();
  }
  std::vector<Step> steps_;
  std::size_t pressed_ = 0;
  QTimer timer_;
};

// Cancels every password dialog: for tests that are not about the login camera.
class PromptCanceller : public QObject {
 public:
  PromptCanceller() {
    timer_.setInterval(50);
    QObject::connect(&timer_, &QTimer::timeout, this, [] {
      if (auto* dialog = qobject_cast<CDlgPassword*>(QApplication::activeModalWidget())) dialog->reject();
    });
    timer_.start();
  }

 private:
  QTimer timer_;
};

class DialogsLab : public GuiTestBase {
 protected:
  void SetUp() override {
    if (!InsideLab()) GTEST_SKIP() << "not inside tools/netlab";
    CamsimProcess::Options options;
    options.camerasJson = kCameras;
    sim_ = std::make_unique<CamsimProcess>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
    core_ = std::make_unique<CFinderCore>(ravix::AppProfile(ProfilePath()));
    ASSERT_TRUE(core_->StartDnssd(error)) << error;
    core_->theNetworkTools.RefreshAdapters();
    ravix::InstallPasswordDialog(core_->PromptService, nullptr);
    previousBoxes_ = ravix::SetMessageBoxHandler([this](const ravix::MessageBoxRequest& request) {
      messages_.push_back(request.Text.toStdString());
      return QMessageBox::Ok;
    });
    engine_ = std::make_unique<CFindermDNS>(core_->CameraContext(), &core_->PromptService);
    engine_->SetNotifyTarget(target_);
    engine_->BrowseOneDomain(0, "_http._tcp", "local.");
  }
  void TearDown() override {
    if (engine_) engine_->Close();
    target_->Detach();
    ravix::SetMessageBoxHandler(previousBoxes_);
    if (core_) core_->PromptService.RemoveHandler();
    engine_.reset();
    core_.reset();
    sim_.reset();
  }

  // The engine's record of a camera once its completion read the settings.
  bool FindComplete(const std::string& name, CBrowseRecord& out, int timeoutMs = 30000) {
    return ProcessEventsUntil(
        [&] {
          std::vector<uint32_t> ids;
          engine_->GetRecordIDs(ids);
          for (uint32_t id : ids) {
            if (engine_->GetRecord(id, out) && out.ServiceName == name && out.NetworkSettingsValid) return true;
          }
          return false;
        },
        timeoutMs);
  }

  // Parameter writes and commands that reached a camera, as "Name.Method=argument".
  std::vector<std::string> Writes(const std::string& address) {
    std::vector<std::string> writes;
    for (const nlohmann::json& request : sim_->RequestLog()) {
      if (request.value("address", "") != address) continue;
      const std::string query = request.value("query", "");
      const auto at = query.find("Action_0=");
      if (at == std::string::npos) continue;
      std::string action = query.substr(at + 9, query.find('&', at) - at - 9);
      if (action.find("SetValue") == std::string::npos && action.find("Execute") == std::string::npos) continue;
      const auto value = query.find("Parameter_0_0=");
      if (value != std::string::npos) action += "=" + query.substr(value + 14, query.find('&', value) - value - 14);
      writes.push_back(action);
    }
    return writes;
  }

  std::unique_ptr<CamsimProcess> sim_;
  std::unique_ptr<CFinderCore> core_;
  std::unique_ptr<CFindermDNS> engine_;
  QObject receiver_;
  std::shared_ptr<ravix::EventPostTarget> target_ = ravix::EventPostTarget::Make(&receiver_);
  std::vector<std::string> messages_;

 private:
  ravix::MessageBoxHandler previousBoxes_;
};

TEST_F(DialogsLab, LoginCameraPromptsOnceAndSavedCredentialsAreUsedFromThenOn) {
  PasswordTyper typer({{"admin", "wrong"}, {"admin", "zorvik"}});
  bool storedAfterRefusal = true;
  typer.afterRefusal = [&] { storedAfterRefusal = core_->Credentials.Exists("ZV0011"); };
  CBrowseRecord gate;
  ASSERT_TRUE(FindComplete("Gate", gate)) << "the login camera never became reachable";
  EXPECT_THAT(typer.captions, ElementsAre("Authentication for \"Gate\"", "Authentication for \"Gate\""));
  EXPECT_THAT(typer.balloonAfterStep, ElementsAre(true));  // the wrong password, checked on the camera
  EXPECT_FALSE(storedAfterRefusal);
  CameraCredentials stored;
  ASSERT_TRUE(core_->Credentials.Read("ZV0011", stored));
  EXPECT_EQ(stored.UserName, "admin");
  EXPECT_EQ(stored.Password, "zorvik");

  // The next connection: stored credentials, no prompt (the context has none).
  sim_->ClearRequestLog();
  int id = 0;
  EXPECT_EQ(ConnectCamera(core_->CameraContext(), gate, &id), CamOk);
  CameraClose(id);
  int logins = 0;
  for (const nlohmann::json& request : sim_->RequestLog()) {
    if (request.value("path", "").find("auth_if") != std::string::npos) ++logins;
  }
  EXPECT_GE(logins, 1);
}

TEST_F(DialogsLab, TransmitWithDhcpSendsHostNamePortDhcpThenCommit) {
  PromptCanceller noLogin;
  CBrowseRecord yard;
  ASSERT_TRUE(FindComplete("Yard", yard));
  sim_->ClearRequestLog();
  int postedRefreshes = 0, refreshes = 0;
  std::optional<bool> transmitted;
  ravix::IPSettingsCommandHooks hooks;
  hooks.PostRefresh = [&] { ++postedRefreshes; };
  hooks.RefreshNow = [&](const std::function<void()>& then) {
    ++refreshes;
    then();
  };
  hooks.Done = [&](bool done) { transmitted = done; };
  hooks.RunDialog = [](CEditIPSettings& dialog) {
    dialog.show();
    dialog.findChild<QCheckBox*>(QStringLiteral("dhcp"))->click();
    dialog.findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("lobby-cam"));
    dialog.findChild<QPushButton*>(QStringLiteral("transmit"))->click();
    return dialog.result();
  };
  ravix::RunIPSettingsCommand(nullptr, yard, *engine_, core_->theNetworkTools, hooks);
  ASSERT_TRUE(ProcessEventsUntil([&] { return transmitted.has_value(); }, 30000));
  EXPECT_TRUE(*transmitted);
  EXPECT_THAT(Writes("192.168.77.10"),
              ElementsAre("Network.HostName.SetValue=lobby-cam", "Network.HTTPPort.SetValue=80",
                          "Network.DHCP.SetValue=1", "Network.Commit.Execute"));
  EXPECT_EQ(sim_->GetParameter("yard-cam", "Network.DHCP").value_or("?"), "1");
  EXPECT_EQ(sim_->GetParameter("yard-cam", "Network.HostName").value_or("?"), "lobby-cam");
  EXPECT_EQ(postedRefreshes, 0);
  EXPECT_EQ(refreshes, 1);
  for (const std::string& message : messages_) EXPECT_NE(message, "Transmit failed!");
}

TEST_F(DialogsLab, CameraRemovedWhileTheDialogIsOpenEndsInTransmitFailed) {
  PromptCanceller noLogin;
  CBrowseRecord shed;
  ASSERT_TRUE(FindComplete("Shed", shed));
  int postedRefreshes = 0, refreshes = 0;
  std::optional<bool> transmitted;
  ravix::IPSettingsCommandHooks hooks;
  hooks.PostRefresh = [&] { ++postedRefreshes; };
  hooks.RefreshNow = [&](const std::function<void()>& then) {
    ++refreshes;
    then();
  };
  hooks.Done = [&](bool done) { transmitted = done; };
  hooks.RunDialog = [&](CEditIPSettings& dialog) {
    EXPECT_TRUE(sim_->RemoveCamera("shed-cam"));
    CBrowseRecord gone;
    EXPECT_TRUE(ProcessEventsUntil([&] { return !engine_->GetRecord(shed.ID, gone); }, 15000));
    dialog.show();
    dialog.findChild<QPushButton*>(QStringLiteral("transmit"))->click();
    return dialog.result();
  };
  messages_.clear();
  ravix::RunIPSettingsCommand(nullptr, shed, *engine_, core_->theNetworkTools, hooks);
  ASSERT_TRUE(ProcessEventsUntil([&] { return transmitted.has_value(); }, 30000));
  EXPECT_FALSE(*transmitted);
  EXPECT_THAT(messages_, ElementsAre("Transmit failed!"));
  EXPECT_EQ(postedRefreshes, 1);
  EXPECT_EQ(refreshes, 1);
}

}  // namespace
