#pragma once
// Helpers of the firmware tests: a recording progress callback, a clock that only the
// recorded sleeps move, and a receiver that collects posted progress events.

#include <QCoreApplication>
#include <QObject>
#include <chrono>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "firmware/progress.h"
#include "firmware/update_timing.h"
#include "platform/event_post_target.h"
#include "platform/posted_event.h"

using Step = std::pair<int, int>;  // step code, percent

struct StepRecorder {
  std::vector<Step> steps;
  bool stopAt = false;
  int stopStep = 0;

  static bool Callback(int /*handleId*/, int step, int percent, void* context) {
    auto* self = static_cast<StepRecorder*>(context);
    self->steps.emplace_back(step, percent);
    return !(self->stopAt && step == self->stopStep);
  }
};

// Sleeps cost nothing: they are recorded and move the fake clock.
struct FakeTime {
  std::mutex lock;
  std::vector<long> sleptSeconds;
  FirmwareUpdateTiming::Clock::duration elapsed{};
  FirmwareUpdateTiming timing;

  FakeTime() {
    timing.sleep = [this](std::chrono::milliseconds delay) {
      std::lock_guard<std::mutex> guard(lock);
      sleptSeconds.push_back(static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(delay).count()));
      elapsed += delay;
    };
    timing.now = [this] {
      std::lock_guard<std::mutex> guard(lock);
      return FirmwareUpdateTiming::Clock::time_point{} + elapsed;
    };
  }
};

class EventRecorder : public QObject {
 public:
  std::vector<Step> steps;
  std::vector<int> indexes;
  // What the jobs post to; detached when the recorder goes away.
  const std::shared_ptr<ravix::EventPostTarget> target = ravix::EventPostTarget::Make(this);

  ~EventRecorder() override { target->Detach(); }

  bool event(QEvent* event) override {
    const auto* progress = ravix::PostedEvent<FirmwareProgress>::From(event, FirmwareProgressMessage());
    if (progress == nullptr) return QObject::event(event);
    steps.emplace_back(progress->Value().StepCode, progress->Value().Percent);
    indexes.push_back(progress->Value().JobIndex);
    return true;
  }
  // Delivers what the workers posted so far.
  void Deliver() { QCoreApplication::sendPostedEvents(this, FirmwareProgressMessage()); }
};
