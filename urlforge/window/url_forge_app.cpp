#include "urlforge/window/url_forge_app.h"

#include <QIcon>

#include "urlforge/window/url_forge_dlg.h"

CUrlForgeApp::CUrlForgeApp(int& argc, char** argv) : QApplication(argc, argv) {
  setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
  setApplicationName(QStringLiteral("UrlForge"));
  setDesktopFileName(QStringLiteral("urlforge"));
  setWindowIcon(QIcon(QStringLiteral(":/urlforge/urlforge.svg")));
}

// The dialog is the program's one window: the application's main loop runs while it is
// open, and ends when it closes.
int CUrlForgeApp::Run() {
  CUrlForgeDlg dialog;
  QObject::connect(&dialog, &QDialog::finished, this, &QCoreApplication::quit, Qt::QueuedConnection);
  dialog.show();
  return exec();
}
