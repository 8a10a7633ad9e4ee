#pragma once
// EventPostTarget: a receiver of the GUI thread (the main frame) as worker threads see
// it. Posting never waits for the GUI thread. The receiver detaches the target before
// it is destroyed, after which posts fail quietly instead of reaching a dead object.
//
// Typical owner:  class CMainFrame : public QMainWindow {
//                   std::shared_ptr<EventPostTarget> target_ = EventPostTarget::Make(this);
//                   ~CMainFrame() { target_->Detach(); } ... };
// and the engine keeps a copy of the shared pointer as its NotifyWindow.

#include <QEvent>
#include <QObject>

#include <cstdint>
#include <memory>
#include <mutex>

namespace ravix {

class EventPostTarget {
 public:
  explicit EventPostTarget(QObject* receiver) : receiver_(receiver) {}
  EventPostTarget(const EventPostTarget&) = delete;
  EventPostTarget& operator=(const EventPostTarget&) = delete;

  static std::shared_ptr<EventPostTarget> Make(QObject* receiver) {
    return std::make_shared<EventPostTarget>(receiver);
  }

  // Posts a RegisteredMessageEvent of type; false when detached or type is QEvent::None.
  bool Post(QEvent::Type type, std::uintptr_t wParam, std::intptr_t lParam);
  // Receiver side, before the receiver goes away; later posts fail.
  void Detach();
  bool IsAttached() const;

 private:
  mutable std::mutex mutex_;
  QObject* receiver_;
};

}  // namespace ravix
