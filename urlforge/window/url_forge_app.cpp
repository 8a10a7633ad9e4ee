#include "urlforge/window/url_forge_app.h"

#include <QIcon>

#include "urlforge/window/url_forge_dlg.h"

CUrlForgeApp::CUrlForgeApp(int& argc, char** argv) : QApplication(argc, argv) {
  setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
  setApplicationName(QStringLiteral("UrlForge"));
  setDesktopFileName(QStringLiteral("urlforge"));
  setWindowIcon(QIcon(QStringLiteral(":/urlforge/urlforge.svg")));
}

int CUrlForgeApp::Run() {
  CUrlForgeDlg dialog;
  dialog.exec();
  return 0;
}
