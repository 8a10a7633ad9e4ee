// RunLocked (platform/locked_call.h) with a real window, offscreen: the window is locked
// while the work runs on a worker thread, and `done` gets the result on the GUI thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <atomic>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "platform/locked_call.h"

namespace {

bool BusyCursorShows() {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

// Work that runs until the test lets it end.
class Gate {
 public:
  void Open() { open_.set_value(); }
  void Wait() { opened_.wait(); }

 private:
  std::promise<void> open_;
  std::shared_future<void> opened_ = open_.get_future().share();
};

bool WaitFor(const std::function<bool()>& condition) {
  QDeadlineTimer deadline(10000);
  while (!condition() && !deadline.hasExpired()) QTest::qWait(5);
  return condition();
}

TEST(RunLocked, LocksTheWindowWhileWorkRunsAndUnlocksBeforeDone) {
  QPushButton window;
  window.show();
  auto gate = std::make_shared<Gate>();
  std::optional<std::string> result;
  bool lockedAtDone = true;
  QThread* workThread = nullptr;
  QThread* doneThread = nullptr;
  ravix::RunLocked(
      &window,
      [gate, &workThread] {
        workThread = QThread::currentThread();
        gate->Wait();
        return std::string("answer");
      },
      [&](std::string answer) {
        doneThread = QThread::currentThread();
        lockedAtDone = !window.isEnabled() || QGuiApplication::overrideCursor() != nullptr;
        result = std::move(answer);
      });
  EXPECT_FALSE(window.isEnabled());
  EXPECT_TRUE(BusyCursorShows());
  QTest::qWait(50);  // the event loop runs; the work still waits
  EXPECT_FALSE(result.has_value());
  EXPECT_FALSE(window.isEnabled());
  gate->Open();
  ASSERT_TRUE(WaitFor([&] { return result.has_value(); }));
  EXPECT_EQ(*result, "answer");
  EXPECT_FALSE(lockedAtDone);
  EXPECT_EQ(doneThread, window.thread());
  EXPECT_NE(workThread, window.thread());
  EXPECT_TRUE(window.isEnabled());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Void work; a window disabled before stays disabled; locks that overlap unwind in turn.
TEST(RunLocked, VoidWorkAndNestedLocksRestoreWhatWasThere) {
  QPushButton window;
  QPushButton other;
  other.setEnabled(false);
  auto gate = std::make_shared<Gate>();
  std::atomic<int> workDone{0};
  int doneCalls = 0;
  ravix::RunLocked(&window, [gate, &workDone] { gate->Wait(); ++workDone; }, [&] { ++doneCalls; });
  ravix::RunLocked(&other, [&workDone] { ++workDone; }, [&] {
    ++doneCalls;
    EXPECT_FALSE(other.isEnabled());
    EXPECT_TRUE(BusyCursorShows());  // the first lock still holds
  });
  ASSERT_TRUE(WaitFor([&] { return doneCalls == 1; }));
  EXPECT_FALSE(window.isEnabled());
  gate->Open();
  ASSERT_TRUE(WaitFor([&] { return doneCalls == 2; }));
  EXPECT_EQ(workDone.load(), 2);
  EXPECT_TRUE(window.isEnabled());
  EXPECT_FALSE(other.isEnabled());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  // Two works of one window: the first to end leaves the window locked for the other.
  auto second = std::make_shared<Gate>();
  ravix::RunLocked(&window, [] {}, [&] { ++doneCalls; });
  ravix::RunLocked(&window, [second] { second->Wait(); }, [&] { ++doneCalls; });
  ASSERT_TRUE(WaitFor([&] { return doneCalls == 3; }));
  EXPECT_FALSE(window.isEnabled());
  EXPECT_TRUE(BusyCursorShows());
  second->Open();
  ASSERT_TRUE(WaitFor([&] { return doneCalls == 4; }));
  EXPECT_TRUE(window.isEnabled());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The window goes while its work runs: the work ends on what it holds, `done` never
// runs, the cursor comes back. Under the sanitizers nothing leaks or is used after free.
TEST(RunLocked, WindowDestroyedMeanwhileNeverGetsDone) {
  auto window = std::make_unique<QPushButton>();
  auto gate = std::make_shared<Gate>();
  auto held = std::make_shared<std::string>("kept by the work");
  std::atomic<bool> workEnded{false};
  bool doneRan = false;
  ravix::RunLocked(
      window.get(),
      [gate, held, &workEnded] {
        gate->Wait();
        workEnded = true;
        return *held;
      },
      [&doneRan](std::string) { doneRan = true; });
  window.reset();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  gate->Open();
  ASSERT_TRUE(WaitFor([&] { return workEnded.load(); }));
  QThreadPool::globalInstance()->waitForDone();
  QTest::qWait(20);
  EXPECT_FALSE(doneRan);
  EXPECT_EQ(held.use_count(), 1);  // the work's copy has gone with it
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
