#pragma once
// CRavixFinderApp: the finder's application object. InitInstance makes sure one instance
// runs (a second start asks the first to show its window and quits), warns users who may
// not change routes, loads the settings, chooses the DNS-SD responder, creates the
// document, the main frame and its view, shows the window and posts the first Refresh.
// ExitInstance stops the requery timer, discovery and the embedded responder, writes the
// view mode and gives the exit code (100 after a clipboard-mode copy).
//
//   QApplication qt(argc, argv);
//   CRavixFinderApp app(options);
//   if (!app.InitInstance()) return app.ExitInstance(0);
//   return app.ExitInstance(qt.exec());

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/app/main_frame.h"
#include "net/network_helper.h"

class CFinderCore;
class CFindermDNS;
class CRavixFinderDoc;
class QLockFile;
namespace ravix {
class AppState;
}

class CRavixFinderApp : public QObject {
  Q_OBJECT

 public:
  // Names the lock file and the local socket of the running instance.
  static constexpr const char* kInstanceName = "RavixFinder-8F3C2A71D94E4B6C905E17A3B2D8C640";
  static constexpr const char* kHomepageUrl = "https://www.zorvik-vision.com/";

  struct Options {
    std::optional<QString> profileFile;  // tests: an INI file; else the user's profile
    QString instanceDirectory;           // lock file and socket; empty: the user's runtime directory
    QString helpFile;                    // empty: the executable's path plus ".html"
    bool clipboardMode = false;          // the command line ended with the clipboard switch
    // --domain, --dns-server and --address of the command line, beside the settings' lists.
    std::vector<std::string> browseDomains, dnsServers, addresses;
    // The responder decision; empty: the platform service, else the embedded responder.
    std::function<bool(CFinderCore&)> startDnssd;
    std::function<bool()> isAdministrator;           // empty: CAP_NET_ADMIN held
    // Whether the network helper and pkexec are installed; empty: looked for.
    std::function<bool()> networkHelperAvailable;
    ravix::HelperRunner networkHelper;  // how the helper runs; empty: through pkexec
    std::function<void(const QString& text)> showMessage;  // empty: a warning message box
    CMainFrame::ViewFactory viewFactory;              // empty: the tree and list views
    // The discovery engine of the document; empty: the real one.
    std::function<std::unique_ptr<CFindermDNS>(CFinderCore&)> finderFactory;
    bool powerEvents = true;
  };

  explicit CRavixFinderApp(Options options);
  ~CRavixFinderApp() override;
  CRavixFinderApp(const CRavixFinderApp&) = delete;
  CRavixFinderApp& operator=(const CRavixFinderApp&) = delete;

  bool InitInstance();
  // Where Help looks for the user guide when the options name none.
  static QString DefaultHelpFile();
  // frameworkExitCode: what the event loop returned (0 when it never ran).
  int ExitInstance(int frameworkExitCode);

  // Null before InitInstance created them and after ExitInstance.
  CFinderCore* Core() const { return core_.get(); }
  ravix::AppState* State() const { return state_.get(); }
  CRavixFinderDoc* Document() const { return doc_.get(); }
  CMainFrame* MainFrame() const { return frame_.get(); }

 private:
  QString InstancePath() const;
  // True when this is the only instance; otherwise asks the running one to show itself.
  bool ClaimSingleInstance();
  void OnInstanceConnection();
  bool StartResponder();
  void ShowMessage(const QString& text) const;
  // Clipboard mode after the copy: the URL on standard output, exit code 100, the window closes.
  void EndClipboardMode(const QString& url);

  Options options_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer server_;
  std::unique_ptr<CFinderCore> core_;
  std::unique_ptr<ravix::AppState> state_;
  std::unique_ptr<CRavixFinderDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
  bool profileOpened_ = false;
};
