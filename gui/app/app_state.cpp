#include "gui/app/app_state.h"

#include <QDesktopServices>

namespace ravix {

AppState::AppState(std::function<void()> requery, QObject* parent)
    : QObject(parent), requery_(std::move(requery)) {
  timer_.setObjectName(QStringLiteral("periodicRequeryTimer"));
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (requery_) requery_();
  });
}

void AppState::StopPeriodicRequeryTimer() { timer_.stop(); }

void AppState::StartPeriodicRequeryTimer(int periodMs) {
  StopPeriodicRequeryTimer();
  if (periodMs <= 0) return;
  timer_.start(periodMs);
}

bool AppState::OpenUrl(const QUrl& url) const {
  if (opener_) return opener_(url);
  return QDesktopServices::openUrl(url);
}

}  // namespace ravix
