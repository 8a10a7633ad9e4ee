#include "platform/event_post_target.h"

#include <QCoreApplication>

namespace ravix {

bool EventPostTarget::PostEvent(std::unique_ptr<QEvent> event) {
  // Posting only appends to the receiver thread's queue, so holding the mutex here keeps
  // Detach (and the receiver's destruction behind it) from overtaking the post.
  std::lock_guard<std::mutex> lock(mutex_);
  if (receiver_ == nullptr) return false;
  QCoreApplication::postEvent(receiver_, event.release());  // the queue owns it now
  return true;
}

void EventPostTarget::Detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  receiver_ = nullptr;
}

bool EventPostTarget::IsAttached() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return receiver_ != nullptr;
}

}  // namespace ravix
