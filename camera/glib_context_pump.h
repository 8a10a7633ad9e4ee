#pragma once
// GlibContextPump: lets the Secret Service library answer on a Qt thread whatever event
// dispatcher Qt runs there. The library hands its answers to the GLib main context of
// the thread that asked. Qt's GLib dispatcher (the default) turns that context itself;
// Qt's own dispatcher (QT_NO_GLIB=1 in the environment) does not, and every keyring job
// would wait until its timeout. Made on such a thread, the pump gives the thread a
// context of its own and turns it from a timer while the thread's event loop runs; on
// a thread with GLib's dispatcher it does nothing.

#include <memory>

class QTimer;
struct _GMainContext;

class GlibContextPump {
 public:
  // On the thread whose event loop is to turn the context, before the loop runs.
  GlibContextPump();
  ~GlibContextPump();
  GlibContextPump(const GlibContextPump&) = delete;
  GlibContextPump& operator=(const GlibContextPump&) = delete;

  // Whether this thread's context is turned by the pump (Qt's own dispatcher).
  bool Active() const { return context_ != nullptr; }

 private:
  _GMainContext* context_ = nullptr;
  std::unique_ptr<QTimer> timer_;
};
