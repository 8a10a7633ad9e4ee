// RecordCompletionPool: runs per ID never overlap, repeats while running fold into one more
// run, Stop drops what waits and waits for what runs. The work functions block on gates
// the test opens, so every case is decided by order, not by timing.
#include "finder/record_completion_pool.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr auto kDeadlock = std::chrono::seconds(20);  // only a guard against hangs

// A door that work functions wait at until the test opens it.
class Gate {
 public:
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  bool Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kDeadlock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

// Records which IDs ran how often and lets the test wait for a run to begin.
class RunLog {
 public:
  void Began(uint32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++began_[id];
    if (++inFlight_[id] > 1) overlapped_ = true;
    changed_.notify_all();
  }
  void Ended(uint32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    --inFlight_[id];
    ++ended_[id];
  }
  bool WaitBegan(uint32_t id, int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kDeadlock, [&] { return began_[id] >= count; });
  }
  int BeganCount(uint32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    return began_[id];
  }
  int EndedCount(uint32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_[id];
  }
  bool Overlapped() {
    std::lock_guard<std::mutex> lock(mutex_);
    return overlapped_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<uint32_t, int> began_, ended_, inFlight_;
  bool overlapped_ = false;
};

TEST(RecordCompletionPool, RepeatsWhileRunningGiveExactlyOneMoreRun) {
  RunLog log;
  Gate firstRun;
  RecordCompletionPool pool(4, [&](uint32_t id) {
    log.Began(id);
    if (log.BeganCount(id) == 1) {
      EXPECT_TRUE(firstRun.Wait());
    }
    log.Ended(id);
  });
  pool.Schedule(7);
  ASSERT_TRUE(log.WaitBegan(7, 1));
  for (int i = 0; i < 5; ++i) pool.Schedule(7);
  EXPECT_EQ(pool.Pending(), 1u) << "one ID, however often it is scheduled";
  firstRun.Open();
  pool.WaitIdle();
  EXPECT_EQ(log.BeganCount(7), 2);
  EXPECT_EQ(log.EndedCount(7), 2);
  EXPECT_FALSE(log.Overlapped());
  EXPECT_EQ(pool.Pending(), 0u);
}

TEST(RecordCompletionPool, QueuedRepeatsFoldIntoTheQueuedRun) {
  RunLog log;
  Gate blocker;
  RecordCompletionPool pool(1, [&](uint32_t id) {
    log.Began(id);
    if (id == 1) {
      EXPECT_TRUE(blocker.Wait());
    }
    log.Ended(id);
  });
  pool.Schedule(1);  // occupies the only worker
  ASSERT_TRUE(log.WaitBegan(1, 1));
  for (int i = 0; i < 4; ++i) pool.Schedule(2);
  EXPECT_EQ(pool.Pending(), 2u);
  blocker.Open();
  pool.WaitIdle();
  EXPECT_EQ(log.BeganCount(2), 1) << "not yet started: one run covers every request";
}

TEST(RecordCompletionPool, ManyThreadsSchedulingNeverOverlapOneId) {
  RunLog log;
  std::atomic<int> runs{0};
  RecordCompletionPool pool(4, [&](uint32_t id) {
    log.Began(id);
    ++runs;
    std::this_thread::yield();
    log.Ended(id);
  });
  std::vector<std::thread> schedulers;
  for (int t = 0; t < 4; ++t)
    schedulers.emplace_back([&pool] {
      for (int round = 0; round < 200; ++round) pool.Schedule(static_cast<uint32_t>(round % 10));
    });
  for (auto& s : schedulers) s.join();
  pool.WaitIdle();
  EXPECT_FALSE(log.Overlapped());
  for (uint32_t id = 0; id < 10; ++id) EXPECT_GE(log.BeganCount(id), 1) << id;
  EXPECT_EQ(pool.Pending(), 0u);
}

TEST(RecordCompletionPool, DifferentIdsRunSideBySide) {
  // Four IDs on four workers: each run waits until all four have begun, which only
  // happens when they run at the same time.
  std::mutex mutex;
  std::condition_variable allIn;
  int inside = 0;
  std::atomic<int> metAll{0};
  RecordCompletionPool pool(4, [&](uint32_t) {
    std::unique_lock<std::mutex> lock(mutex);
    ++inside;
    allIn.notify_all();
    if (allIn.wait_for(lock, kDeadlock, [&] { return inside == 4; })) ++metAll;
  });
  for (uint32_t id = 1; id <= 4; ++id) pool.Schedule(id);
  pool.WaitIdle();
  EXPECT_EQ(metAll.load(), 4);
}

TEST(RecordCompletionPool, StopDropsQueuedRunsAndWaitsForRunningOnes) {
  RunLog log;
  Gate release;
  RecordCompletionPool pool(1, [&](uint32_t id) {
    log.Began(id);
    if (id == 1) {
      EXPECT_TRUE(release.Wait());
    }
    log.Ended(id);
  });
  pool.Schedule(1);
  ASSERT_TRUE(log.WaitBegan(1, 1));
  pool.Schedule(1);  // a repeat of the running one
  pool.Schedule(2);
  pool.Schedule(3);
  ASSERT_EQ(pool.Pending(), 3u);

  // Opens the gate only once Stop has dropped the queue, so a Stop that returned
  // without waiting would leave run 1 unfinished.
  std::thread opener([&] {
    while (pool.Pending() != 1) std::this_thread::yield();
    release.Open();
  });
  pool.Stop();
  opener.join();
  EXPECT_EQ(log.EndedCount(1), 1) << "Stop returned before the running run ended";
  EXPECT_EQ(log.BeganCount(1), 1) << "the repeat of a running ID is dropped as well";
  EXPECT_EQ(log.BeganCount(2), 0);
  EXPECT_EQ(log.BeganCount(3), 0);
  EXPECT_EQ(pool.Pending(), 0u);
  pool.WaitIdle();  // returns at once after Stop
}

TEST(RecordCompletionPool, TwoStopsAtOnceBothWaitForTheRunningRun) {
  RunLog log;
  Gate release;
  RecordCompletionPool pool(1, [&](uint32_t id) {
    log.Began(id);
    EXPECT_TRUE(release.Wait());
    log.Ended(id);
  });
  pool.Schedule(1);
  ASSERT_TRUE(log.WaitBegan(1, 1));
  std::atomic<int> stopped{0};
  std::thread first([&] { pool.Stop(); ++stopped; });
  std::thread second([&] { pool.Stop(); ++stopped; });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let both reach Stop
  EXPECT_EQ(stopped.load(), 0);
  release.Open();
  first.join();  // a hang here means one Stop lost the threads of the other
  second.join();
  EXPECT_EQ(stopped.load(), 2);
  EXPECT_EQ(log.EndedCount(1), 1);
  pool.Schedule(2);
  pool.WaitIdle();
  EXPECT_EQ(log.EndedCount(2), 1);
}

TEST(RecordCompletionPool, ScheduleAfterStopRunsAgain) {
  RunLog log;
  RecordCompletionPool pool(2, [&](uint32_t id) {
    log.Began(id);
    log.Ended(id);
  });
  pool.Stop();  // before any thread was started
  pool.Schedule(4);
  pool.WaitIdle();
  EXPECT_EQ(log.EndedCount(4), 1);
  pool.Stop();
  pool.Stop();
  pool.Schedule(4);
  pool.Schedule(5);
  pool.WaitIdle();
  EXPECT_EQ(log.EndedCount(4), 2);
  EXPECT_EQ(log.EndedCount(5), 1);
}

TEST(RecordCompletionPool, DestructorEndsARunningPool) {
  RunLog log;
  Gate release;
  {
    RecordCompletionPool pool(2, [&](uint32_t id) {
      log.Began(id);
      EXPECT_TRUE(release.Wait());
      log.Ended(id);
    });
    pool.Schedule(9);
    ASSERT_TRUE(log.WaitBegan(9, 1));
    release.Open();
  }
  EXPECT_EQ(log.EndedCount(9), 1);
}

// Counts how many runs are inside the work function at once.
class Concurrency {
 public:
  void Enter() {
    std::lock_guard<std::mutex> lock(mutex_);
    most_ = std::max(most_, ++now_);
    changed_.notify_all();
  }
  void Leave() {
    std::lock_guard<std::mutex> lock(mutex_);
    --now_;
  }
  bool WaitFor(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kDeadlock, [&] { return now_ >= count; });
  }
  int Most() {
    std::lock_guard<std::mutex> lock(mutex_);
    return most_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int now_ = 0, most_ = 0;
};

RecordCompletionPool::Limits TestLimits(std::size_t maxWorkers, std::chrono::milliseconds idle) {
  RecordCompletionPool::Limits limits;
  limits.maxWorkers = maxWorkers;
  limits.idleTimeout = idle;
  return limits;
}

TEST(RecordCompletionPool, GrowsOnDemandUpToItsBoundAndQueuesTheRest) {
  Concurrency running;
  Gate release;
  std::atomic<int> done{0};
  RecordCompletionPool pool(TestLimits(4, std::chrono::hours(1)), [&](uint32_t) {
    running.Enter();
    EXPECT_TRUE(release.Wait());
    running.Leave();
    ++done;
  });
  EXPECT_EQ(pool.Workers(), 0u) << "no thread before the first run";
  for (uint32_t id = 1; id <= 12; ++id) pool.Schedule(id);
  ASSERT_TRUE(running.WaitFor(4));
  EXPECT_EQ(pool.Workers(), 4u);
  EXPECT_EQ(pool.Pending(), 12u);
  release.Open();
  pool.WaitIdle();
  EXPECT_EQ(done.load(), 12);
  EXPECT_EQ(running.Most(), 4);
  EXPECT_EQ(pool.PeakWorkers(), 4u);
}

TEST(RecordCompletionPool, AnIdleWorkerTakesTheNextRunInsteadOfANewThread) {
  RunLog log;
  RecordCompletionPool pool(TestLimits(16, std::chrono::hours(1)), [&](uint32_t id) {
    log.Began(id);
    log.Ended(id);
  });
  for (uint32_t id = 1; id <= 5; ++id) {
    pool.Schedule(id);
    pool.WaitIdle();
  }
  for (uint32_t id = 1; id <= 5; ++id) EXPECT_EQ(log.EndedCount(id), 1);
  EXPECT_EQ(pool.PeakWorkers(), 1u);
}

TEST(RecordCompletionPool, IdleWorkersEndAndThePoolGrowsAgain) {
  Concurrency running;
  Gate release;
  RunLog log;
  RecordCompletionPool pool(TestLimits(8, std::chrono::milliseconds(30)), [&](uint32_t id) {
    log.Began(id);
    if (id <= 3) {
      running.Enter();
      EXPECT_TRUE(release.Wait());
      running.Leave();
    }
    log.Ended(id);
  });
  for (uint32_t id = 1; id <= 3; ++id) pool.Schedule(id);
  ASSERT_TRUE(running.WaitFor(3));
  EXPECT_EQ(pool.Workers(), 3u);
  release.Open();
  pool.WaitIdle();
  const auto guard = std::chrono::steady_clock::now() + kDeadlock;
  while (pool.Workers() > 0 && std::chrono::steady_clock::now() < guard)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(pool.Workers(), 0u) << "every idle worker ends";
  pool.Schedule(4);  // joins the ended threads and starts a fresh one
  pool.WaitIdle();
  EXPECT_EQ(log.EndedCount(4), 1);
  EXPECT_LE(pool.Workers(), 1u);
  pool.Stop();
  EXPECT_EQ(pool.Workers(), 0u);
}

TEST(RecordCompletionPool, WorkersRunOnTheStackSizeAsked) {
  RecordCompletionPool::Limits limits = TestLimits(1, std::chrono::hours(1));
  limits.stackBytes = 192 * 1024;
  std::size_t stack = 0;
  RecordCompletionPool pool(limits, [&](uint32_t) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_getattr_np(pthread_self(), &attributes), 0);
    pthread_attr_getstacksize(&attributes, &stack);
    pthread_attr_destroy(&attributes);
    volatile char deep[64 * 1024] = {};  // a camera exchange's buffers fit with room to spare
    deep[sizeof(deep) - 1] = 1;
  });
  pool.Schedule(1);
  pool.WaitIdle();
  EXPECT_GE(stack, limits.stackBytes);
  EXPECT_LT(stack, 2u * 1024 * 1024) << "far below the 8 MiB default (sanitizers add some)";
}

}  // namespace
