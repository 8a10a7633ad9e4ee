#pragma once
// Notifications that worker threads post to an object of the GUI thread, in the manner of
// registered window messages: each name gets its own Qt event type, the same one for the
// whole run, and the event carries two numbers (wParam, lParam).

#include <QEvent>

#include <cstdint>

namespace ravix {

inline constexpr const char* kRecordChangedMessageName = "mDNSBrowseRecordChanged";
inline constexpr const char* kQueriesRunningMessageName = "mDNSQueriesRunningStateChanged";

// The event type of name, registered on first use; the same type for the same name on
// every call from any thread. QEvent::None when name is null or empty or Qt has no
// event types left.
QEvent::Type RegisterMessageType(const char* name);

class RegisteredMessageEvent final : public QEvent {
 public:
  RegisteredMessageEvent(QEvent::Type type, std::uintptr_t wParam, std::intptr_t lParam)
      : QEvent(type), wParam_(wParam), lParam_(lParam) {}

  std::uintptr_t WParam() const { return wParam_; }
  std::intptr_t LParam() const { return lParam_; }

 private:
  std::uintptr_t wParam_;
  std::intptr_t lParam_;
};

}  // namespace ravix
