#include "camera/glib_context_pump.h"

#include <QAbstractEventDispatcher>
#include <QThread>
#include <QTimer>

#include <cstring>

#include <glib.h>

namespace {

// How often a pending answer is looked for: well below any keyring timeout, and idle
// otherwise (one poll of an empty context).
constexpr int kTurnIntervalMs = 10;

bool RunsGlibDispatcher() {
  const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
  return dispatcher != nullptr && std::strstr(dispatcher->metaObject()->className(), "Glib") != nullptr;
}

}  // namespace

GlibContextPump::GlibContextPump() {
  if (RunsGlibDispatcher()) return;
  context_ = g_main_context_new();
  g_main_context_push_thread_default(context_);
  timer_ = std::make_unique<QTimer>();
  timer_->setInterval(kTurnIntervalMs);
  GMainContext* context = context_;
  QObject::connect(timer_.get(), &QTimer::timeout, [context] {
    while (g_main_context_iteration(context, FALSE)) {
    }
  });
  timer_->start();
}

GlibContextPump::~GlibContextPump() {
  if (context_ == nullptr) return;
  timer_.reset();
  g_main_context_pop_thread_default(context_);
  g_main_context_unref(context_);
}
