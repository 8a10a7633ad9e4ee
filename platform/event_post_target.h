#pragma once
// EventPostTarget: a receiver of the GUI thread (the main frame, a wizard page) as worker
// threads see it. Posting never waits for the GUI thread. The receiver detaches the
// target before it is destroyed, after which posts fail quietly instead of reaching a
// dead object.
//
// Typical owner:  class CMainFrame : public QMainWindow {
//                   std::shared_ptr<EventPostTarget> target_ = EventPostTarget::Make(this);
//                   ~CMainFrame() { target_->Detach(); } ... };
// and each worker keeps a copy of the shared pointer.

#include <QEvent>
#include <QObject>

#include <memory>
#include <mutex>
#include <utility>

#include "platform/posted_event.h"

namespace ravix {

class EventPostTarget {
 public:
  explicit EventPostTarget(QObject* receiver) : receiver_(receiver) {}
  EventPostTarget(const EventPostTarget&) = delete;
  EventPostTarget& operator=(const EventPostTarget&) = delete;

  static std::shared_ptr<EventPostTarget> Make(QObject* receiver) {
    return std::make_shared<EventPostTarget>(receiver);
  }

  // Posts a PostedEvent<Payload> of type; false when detached or type is QEvent::None.
  template <typename Payload>
  bool Post(QEvent::Type type, Payload payload) {
    if (type == QEvent::None) return false;
    return PostEvent(std::make_unique<PostedEvent<Payload>>(type, std::move(payload)));
  }
  // Receiver side, before the receiver goes away; later posts fail.
  void Detach();
  bool IsAttached() const;

 private:
  bool PostEvent(std::unique_ptr<QEvent> event);

  mutable std::mutex mutex_;
  QObject* receiver_;
};

}  // namespace ravix
