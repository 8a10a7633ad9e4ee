#include "gui/widgets/camera_view_support.h"

#include <QAction>
#include <QKeyEvent>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace ravix {

void KeepSelectionVisible(QWidget& widget) {
  QPalette palette = widget.palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  widget.setPalette(palette);
}

void TriggerIfEnabled(QAction* action) {
  if (action != nullptr && action->isEnabled()) action->trigger();
}

bool IsPlainEnter(const QKeyEvent& event) {
  const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
  return enter && (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

QString PlainTextTip(const QString& text) {
  return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
}

}  // namespace ravix
