#include "urlforge/window/up_down_control.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "urlforge/window/url_forge_text.h"

namespace ravix {

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const char* name) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QLatin1String(name));
  button->setArrowType(arrow);
  button->setAutoRepeat(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  return button;
}

}  // namespace

UpDownControl::UpDownControl(QWidget* parent) : QWidget(parent) {
  up_ = MakeArrow(this, Qt::UpArrow, "upDownUp");
  down_ = MakeArrow(this, Qt::DownArrow, "upDownDown");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(up_);
  layout->addWidget(down_);
  connect(up_, &QToolButton::clicked, this, [this] { StepBy(1); });
  connect(down_, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void UpDownControl::SetBuddy(QLineEdit* buddy) {
  if (buddy_ == buddy) return;
  if (buddy_) buddy_->removeEventFilter(this);
  buddy_ = buddy;
  if (buddy_) buddy_->installEventFilter(this);
}

void UpDownControl::SetRange(int min, int max) {
  min_ = min;
  max_ = max;
}

void UpDownControl::SetStep(int step) { step_ = std::max(step, 1); }

void UpDownControl::StepBy(int count) {
  if (!buddy_ || buddy_->isReadOnly()) return;
  const long long low = std::min(min_, max_);
  const long long high = std::max(min_, max_);
  const long long next = static_cast<long long>(LeadingInteger(buddy_->text())) + static_cast<long long>(count) * step_;
  buddy_->setText(QString::number(std::clamp(next, low, high)));
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
  // The event type first: a buddy being destroyed still sends events through this filter,
  // and reading the guarded pointer then would look at a half-destroyed line edit.
  if (event->type() == QEvent::KeyPress && watched == buddy_ && isVisible()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      StepBy(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace ravix
