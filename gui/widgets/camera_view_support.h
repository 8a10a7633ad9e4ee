#pragma once
// Small pieces both camera views share.

class QAction;
class QString;
class QKeyEvent;
class QWidget;

namespace ravix {

// The selection keeps its colours when the widget loses the focus.
void KeepSelectionVisible(QWidget& widget);
// Runs the command when it is enabled at this moment (a disabled command never runs).
void TriggerIfEnabled(QAction* action);
// Enter or Return without modifiers.
bool IsPlainEnter(const QKeyEvent& event);
// A tooltip that shows text exactly as it is (escaped, never taken as markup; one line
// per line of the text).
QString PlainTextTip(const QString& text);

}  // namespace ravix
