#pragma once
// CPageFWSelect: the first page of the firmware wizard, where the user names the firmware
// file (typed with completion over the file system, or picked with Browse). Next is offered
// only for an existing, non-empty regular file.

#include <QString>
#include <QWizardPage>

#include "gui/firmware/firmware_file_chooser.h"

class QLineEdit;
class QPushButton;

class CPageFWSelect : public QWizardPage {
  Q_OBJECT

 public:
  // sharedPath: the firmware path the wizard's pages share, set when the user leaves this
  // page. chooser: what Browse asks; null: the file-open dialog.
  CPageFWSelect(QString& sharedPath, FirmwareFileChooser chooser, QWidget* parent = nullptr);

  // Whether path names a firmware file worth reading: not empty, exists, a regular file
  // (no directory, device or pipe) with at least one byte.
  static bool IsAcceptableFile(const QString& path);

  bool isComplete() const override;
  bool validatePage() override;

  // Closes the path's completion popup (it would stay open over the later pages and take
  // their keys).
  void ClosePathCompletion();

  QLineEdit* PathEdit() const { return pathEdit_; }
  QPushButton* BrowseButton() const { return browseButton_; }

 private:
  void OnBrowse();

  QString& sharedPath_;
  FirmwareFileChooser chooser_;
  QLineEdit* pathEdit_;
  QPushButton* browseButton_;
};
