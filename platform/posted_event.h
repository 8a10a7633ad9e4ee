#pragma once
// PostedEvent<Payload>: a notification that a worker thread posts to an object of the GUI
// thread, carrying one typed value (a record event, a firmware progress step, a running
// state). The event type says what it is; the receiver asks for its payload with From,
// which gives null for any other event, so a type given to two payloads cannot be misread.

#include <QEvent>

#include <utility>

#include "platform/thread_handoff.h"

namespace ravix {

template <typename Payload>
class PostedEvent final : public QEvent {
 public:
  PostedEvent(QEvent::Type type, Payload payload) : QEvent(type), payload_(std::move(payload)) { HandOff(this); }
  // Qt deletes the event on the receiver's thread, also when nobody asked for its payload
  // (a receiver that ignores the type, or one that went): taken over first there too.
  ~PostedEvent() override { TakeOver(this); }
  PostedEvent(const PostedEvent&) = delete;
  PostedEvent& operator=(const PostedEvent&) = delete;

  // The receiver's way in: event as a notification of type with this payload, else null.
  static const PostedEvent* From(const QEvent* event, QEvent::Type type) {
    if (event == nullptr) return nullptr;
    TakeOver(event);  // made on another thread: taken over before anything of it is read
    if (type == QEvent::None || event->type() != type) return nullptr;
    return dynamic_cast<const PostedEvent*>(event);
  }

  const Payload& Value() const { return payload_; }

 private:
  Payload payload_;
};

}  // namespace ravix
