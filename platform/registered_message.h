#pragma once
// Notifications that worker threads post to an object of the GUI thread, in the manner of
// registered window messages: each name gets its own Qt event type, the same one for the
// whole run. The events themselves carry typed payloads (platform/posted_event.h).

#include <QEvent>

namespace ravix {

inline constexpr const char* kRecordChangedMessageName = "mDNSBrowseRecordChanged";
inline constexpr const char* kQueriesRunningMessageName = "mDNSQueriesRunningStateChanged";

// The event type of name, registered on first use; the same type for the same name on
// every call from any thread. QEvent::None when name is null or empty or Qt has no
// event types left.
QEvent::Type RegisterMessageType(const char* name);

}  // namespace ravix
