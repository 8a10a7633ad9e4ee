#pragma once
// Qt hands posted events and queued calls from one thread to another under its own
// locks, which ThreadSanitizer cannot see (Qt is not built for it). The sender marks
// the handed-over object with HandOff after filling it, the receiver marks it with
// TakeOver before reading it; both do nothing outside ThreadSanitizer builds.

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define RAVIX_TSAN_HANDOFF 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#include <sanitizer/tsan_interface.h>
#define RAVIX_TSAN_HANDOFF 1
#endif
#endif

namespace ravix {

inline void HandOff([[maybe_unused]] const void* object) {
#ifdef RAVIX_TSAN_HANDOFF
  __tsan_release(const_cast<void*>(object));
#endif
}

inline void TakeOver([[maybe_unused]] const void* object) {
#ifdef RAVIX_TSAN_HANDOFF
  __tsan_acquire(const_cast<void*>(object));
#endif
}

}  // namespace ravix
