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
// window's thread with the work's result (nothing for void work); while several works
// of one window overlap, the window stays disabled until the last has ended. When the window is
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
#include <QPromise>
#include <QVariant>
#include <QtConcurrent/QtConcurrentRun>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/thread_handoff.h"

namespace ravix {

namespace detail {

// Kept as a child of a locked window: how many locks hold it and whether it was enabled
// before the first, so that overlapping work on one window unlocks it only at its end.
class WindowLockCount : public QObject {
 public:
  static constexpr const char* kName = "ravixWindowLockCount";
  explicit WindowLockCount(QObject* window) : QObject(window) { setObjectName(QLatin1String(kName)); }

  static WindowLockCount* Of(QObject* window) {
    auto* count = dynamic_cast<WindowLockCount*>(
        window->findChild<QObject*>(QLatin1String(kName), Qt::FindDirectChildrenOnly));
    return count != nullptr ? count : new WindowLockCount(window);
  }

  int locks = 0;
  bool wasEnabled = true;
};

}  // namespace detail

// The lock itself: the busy cursor and the window disabled while it lives.
class WindowLock {
 public:
  explicit WindowLock(QObject* window) : window_(window) {
    if (window_) {
      count_ = detail::WindowLockCount::Of(window);
      if (count_->locks++ == 0) count_->wasEnabled = window_->property("enabled").toBool();
      window_->setProperty("enabled", false);
    }
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  }
  ~WindowLock() {
    QGuiApplication::restoreOverrideCursor();
    if (window_ && count_ && --count_->locks == 0) window_->setProperty("enabled", count_->wasEnabled);
  }
  WindowLock(const WindowLock&) = delete;
  WindowLock& operator=(const WindowLock&) = delete;

 private:
  QPointer<QObject> window_;
  QPointer<detail::WindowLockCount> count_;
};

namespace detail {

// Work waiting for a pool thread. Qt's pool hands its tasks over under its own locks,
// which ThreadSanitizer cannot see, so the work itself goes through this queue under a
// lock it sees; each task Qt runs takes one work from it.
inline std::mutex& WorkQueueLock() {
  static std::mutex lock;
  return lock;
}

inline std::deque<std::function<void()>>& WorkQueue() {
  static std::deque<std::function<void()>> queue;
  return queue;
}

inline void RunQueuedWork() {
  std::function<void()> work;
  {
    const std::lock_guard<std::mutex> lock(WorkQueueLock());
    work = std::move(WorkQueue().front());
    WorkQueue().pop_front();
  }
  work();
}

}  // namespace detail

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
  // The work reaches a pool thread through the queue above; whichever pool task takes
  // it, the work finishes its own promise, so `done` follows the end of this very work.
  // Its result comes back in the box, marked for ThreadSanitizer (the watcher hands it
  // over under Qt's locks).
  auto promise = std::make_shared<QPromise<void>>();
  promise->start();
  watcher->setFuture(promise->future());
  auto job = std::make_shared<Work>(std::move(work));
  {
    const std::lock_guard<std::mutex> lock(detail::WorkQueueLock());
    detail::WorkQueue().push_back([job, box, promise]() mutable {
      if constexpr (std::is_void_v<Result>) {
        (*job)();
      } else {
        box->emplace((*job)());
      }
      job.reset();  // what the work captured goes here, before the window hears of the end
      HandOff(box.get());
      promise->finish();
    });
  }
  (void)QtConcurrent::run(&detail::RunQueuedWork);
}

}  // namespace ravix
