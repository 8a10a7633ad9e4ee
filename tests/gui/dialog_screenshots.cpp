// Renders the password, IP settings and Reach Camera dialogs offscreen into PNG files for docs/usage.md:
//   QT_QPA_PLATFORM=offscreen build/tests/gui/dialog_screenshots docs
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <arpa/inet.h>

#include <cstdio>

#include "gui/dialogs/dlg_password.h"
#include "gui/dialogs/edit_ip_settings.h"
#include "gui/dialogs/reach_camera_dlg.h"
#include "net/network_tools.h"

namespace {

bool Save(QWidget& window, const QString& path) {
  window.show();
  QApplication::processEvents();
  const bool saved = window.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

  CNetworkTools tools;
  CBrowseRecord camera;
  camera.ID = 1;
  camera.ServiceName = "Gate Camera";
  PasswordPromptData data = MakeCameraPasswordPrompt(camera, &tools);
  data.UserName = "admin";
  CDlgPassword password(data);
  password.SetCredentialCheck([](const PasswordPromptData&) { return CameraResult{401}; });
  password.show();
  QApplication::processEvents();
  password.findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("secret"));
  password.findChild<QPushButton*>(QStringLiteral("ok"))->click();  // refused: the balloon shows

  CEditIPSettings settings(camera, tools);
  NetworkSettings values;
  values.HostName = "gate-cam";
  values.IPAddress = "192.168.77.11";
  values.NetPrefix = 24;
  values.NameServer = "192.168.77.2";
  values.Gateway = "192.168.77.1";
  values.HTTPPort = 80;
  settings.SetFromSettings(values);

  FirstContactProposal proposal;
  proposal.CameraName = "Ravix-D210 ZV000401";
  proposal.Adapter = "enp3s0";
  proposal.CameraAddress = "192.168.0.90";
  proposal.Candidates = ravix::ProposeAddressesNear(htonl(0xC0A8005A), 24, 4);
  CReachCameraDlg reach(proposal);

  const bool ok = Save(password, folder + "/password-dialog.png") && Save(settings, folder + "/ip-settings-dialog.png") &&
                  Save(reach, folder + "/reach-camera-dialog.png");
  return ok ? 0 : 1;
}
