#include "platform/event_post_target.h"

#include <QCoreApplication>

#include "platform/registered_message.h"

namespace ravix {

bool EventPostTarget::Post(QEvent::Type type, std::uintptr_t wParam, std::intptr_t lParam) {
  if (type == QEvent::None) return false;
  // Posting only appends to the receiver thread's queue, so holding the mutex here keeps
  // Detach (and the receiver's destruction behind it) from overtaking the post.
  std::lock_guard<std::mutex> lock(mutex_);
  if (receiver_ == nullptr) return false;
  QCoreApplication::postEvent(receiver_, new RegisteredMessageEvent(type, wParam, lParam));
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
