#include "gui/dialogs/password_balloon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QVBoxLayout>

namespace {
constexpr int kPointerHeight = 8;
constexpr int kRadius = 6;
}  // namespace

PasswordBalloon::PasswordBalloon(QWidget* dialog)
    : QFrame(dialog), icon_(new QLabel(this)), title_(new QLabel(this)), text_(new QLabel(this)) {
  setObjectName(QStringLiteral("passwordBalloon"));
  icon_->setObjectName(QStringLiteral("passwordBalloonIcon"));
  title_->setObjectName(QStringLiteral("passwordBalloonTitle"));
  text_->setObjectName(QStringLiteral("passwordBalloonText"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
  icon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(iconSize, iconSize));
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  title_->setTextFormat(Qt::PlainText);
  text_->setTextFormat(Qt::PlainText);
  text_->setWordWrap(true);
  QPalette dark = palette();  // readable on the light tint whatever the theme
  dark.setColor(QPalette::WindowText, QColor(0x40, 0x10, 0x10));
  title_->setPalette(dark);
  text_->setPalette(dark);

  auto* header = new QHBoxLayout;
  header->addWidget(icon_);
  header->addWidget(title_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8 + kPointerHeight, 10, 8);
  layout->addLayout(header);
  layout->addWidget(text_);
  hide();
}

void PasswordBalloon::ShowAt(QWidget* anchor, const QString& title, const QString& text) {
  title_->setText(title);
  text_->setText(text);
  const QWidget* dialog = parentWidget();
  const int width = qMin(qMax(anchor->width(), 260), dialog->width() - 8);
  setFixedWidth(width);
  adjustSize();
  QPoint at = anchor->mapTo(dialog, QPoint(0, anchor->height()));
  at.setX(qMax(4, qMin(at.x(), dialog->width() - width - 4)));
  move(at);
  raise();
  show();
}

QString PasswordBalloon::Title() const { return title_->text(); }
QString PasswordBalloon::Text() const { return text_->text(); }

void PasswordBalloon::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF body = QRectF(rect()).adjusted(0.5, kPointerHeight + 0.5, -0.5, -0.5);
  QPainterPath path;
  path.addRoundedRect(body, kRadius, kRadius);
  QPainterPath pointer;
  pointer.moveTo(16, body.top() + 1);
  pointer.lineTo(24, 0.5);
  pointer.lineTo(32, body.top() + 1);
  pointer.closeSubpath();
  path = path.united(pointer);
  painter.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 1));
  painter.setBrush(QColor(0xfd, 0xed, 0xec));
  painter.drawPath(path);
}
