#pragma once
// UpDownControl: a pair of arrow buttons beside a number edit (its buddy). A step reads
// the buddy's leading integer, adds the step, holds the result within the range and
// writes it back as the buddy's text; the Up and Down keys in the buddy step as well.

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace ravix {

class UpDownControl : public QWidget {
  Q_OBJECT
 public:
  explicit UpDownControl(QWidget* parent);

  void SetBuddy(QLineEdit* buddy);
  void SetRange(int min, int max);
  // The amount of one step (0 and below step by 1).
  void SetStep(int step);
  int Step() const { return step_; }

  // Steps up (positive count) or down.
  void StepBy(int count);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QLineEdit> buddy_;
  QToolButton* up_ = nullptr;
  QToolButton* down_ = nullptr;
  int min_ = 0;
  int max_ = 100;
  int step_ = 1;
};

}  // namespace ravix
