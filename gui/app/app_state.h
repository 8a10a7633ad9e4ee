#pragma once
// AppState: the process-wide values the document, the frame and the views share: the
// clipboard mode and the exit code it leads to, the periodic requery timer, and the way
// URLs reach the user's browser (a seam tests replace to record the URLs).

#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>

namespace ravix {

inline constexpr int kClipboardExitCode = 100;

class AppState : public QObject {
  Q_OBJECT

 public:
  using UrlOpener = std::function<bool(const QUrl&)>;

  // requery runs at every tick of the periodic requery timer.
  explicit AppState(std::function<void()> requery, QObject* parent = nullptr);

  bool ClipboardMode = false;
  int ExitCode = 0;

  // Stops the timer when it runs.
  void StopPeriodicRequeryTimer();
  // Stops it, then starts it with this period (milliseconds, above 0).
  void StartPeriodicRequeryTimer(int periodMs);
  bool PeriodicRequeryRunning() const { return timer_.isActive(); }
  int PeriodicRequeryInterval() const { return timer_.interval(); }

  // Hands url to the desktop's default handler (the browser); false when that failed.
  bool OpenUrl(const QUrl& url) const;
  void SetUrlOpener(UrlOpener opener) { opener_ = std::move(opener); }

 private:
  QTimer timer_;
  std::function<void()> requery_;
  UrlOpener opener_;
};

}  // namespace ravix
