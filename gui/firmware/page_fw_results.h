#pragma once
// CPageFWResults: the last page of the firmware wizard: one row per camera of the list,
// in list order, with the camera's name and picture and the outcome of its update.

#include <QWizardPage>

#include <vector>

#include "records/browse_record.h"

class QTreeWidget;

class CPageFWResults : public QWizardPage {
  Q_OBJECT

 public:
  enum ColumnIndex { CameraColumn = 0, ResultColumn = 1 };

  explicit CPageFWResults(const std::vector<CBrowseRecord>& cameras, QWidget* parent = nullptr);

  void initializePage() override;

  QTreeWidget* ResultList() const { return list_; }

 private:
  const std::vector<CBrowseRecord>& cameras_;
  QTreeWidget* list_;
};
