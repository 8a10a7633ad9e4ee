#pragma once
// RunLocked: camera work asked for by a window runs on a worker thread while that window
// is locked, and its result comes back to the window's thread.
//
//   RunLocked(dialog, [copy] { return SlowCameraCall(copy); },
//             [this](Result r) { ShowTheOutcome(r); });
//
// While the work runs the window (any QObject with an "enabled" property: every widget)
// is disabled, so its controls take no input while it keeps painting and the
// application's timers keep firing, and the busy cursor shows. When the work ends the
// cursor and the window's enabled state are restored first, then `done` runs on the
// window's thread with the work's result (nothing for void work). When the window is
// destroyed before the work ends, `done` never runs and the lock goes with the window;
// the work runs to its end on what it captured, so it must capture by value (or own
// shared state) and never touch a widget. Qt's global pool runs the work; the
// application waits for it on exit.
//
// Header only, so that the core libraries need no QtGui: include it from window code,
// which links Qt6::Gui and Qt6::Concurrent (target ravix_locked_call).

#include <QCursor>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QPointer>
#include <QVariant>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/thread_handoff.h"

namespace ravix {

// The lock itself: the busy cursor and the window disabled while it lives.
class WindowLock {
 public:
  explicit WindowLock(QObject* window) : window_(window) {
    if (window_) {
      wasEnabled_ = window_->property("enabled").toBool();
      window_->setProperty("enabled", false);
    }
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  }
  ~WindowLock() {
    QGuiApplication::restoreOverrideCursor();
    if (window_) window_->setProperty("enabled", wasEnabled_);
  }
  WindowLock(const WindowLock&) = delete;
  WindowLock& operator=(const WindowLock&) = delete;

 private:
  QPointer<QObject> window_;
  bool wasEnabled_ = true;
};

template <class Work, class Done>
void RunLocked(QObject* window, Work work, Done done) {
  using Result = std::invoke_result_t<Work&>;
  using Box = std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>>;
  auto lock = std::make_shared<WindowLock>(window);
  // The result travels in a box that both threads hold; the watcher is a child of the
  // window, so it goes with the window, and with it the pending `done` and the lock.
  auto box = std::make_shared<Box>();
  auto* watcher = new QFutureWatcher<void>(window);
  QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                   [watcher, lock, box, done = std::move(done)]() mutable {
                     lock.reset();
                     watcher->deleteLater();
                     TakeOver(box.get());
                     if constexpr (std::is_void_v<Result>) {
                       done();
                     } else {
                       done(std::move(**box));
                     }
                   });
  watcher->setFuture(QtConcurrent::run([work = std::move(work), box]() mutable {
    if constexpr (std::is_void_v<Result>) {
      work();
    } else {
      box->emplace(work());
    }
    HandOff(box.get());
  }));
}

}  // namespace ravix
