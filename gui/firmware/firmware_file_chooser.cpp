#include "gui/firmware/firmware_file_chooser.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QStringList>

QString ChooseFirmwareFileWithDialog(QWidget* parent, const QString& current) {
  QFileDialog dialog(parent, QCoreApplication::translate("CPageFWSelect", "Open"));
  dialog.setObjectName(QStringLiteral("firmwareFileDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("bin"));
  dialog.setNameFilters({QCoreApplication::translate("CPageFWSelect", "Firmware Files (*.bin)"),
                         QCoreApplication::translate("CPageFWSelect", "All Files (*)")});
  if (!current.isEmpty()) dialog.selectFile(current);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}
