#include "gui/firmware/firmware_file_chooser.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QStringList>

void ChooseFirmwareFileWithDialog(QWidget* parent, const QString& current, FirmwareFileDone done) {
  auto* dialog = new QFileDialog(parent, QCoreApplication::translate("CPageFWSelect", "Open"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);  // deletes itself when closed
  dialog->setObjectName(QStringLiteral("firmwareFileDialog"));
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setDefaultSuffix(QStringLiteral("bin"));
  dialog->setNameFilters({QCoreApplication::translate("CPageFWSelect", "Firmware Files (*.bin)"),
                          QCoreApplication::translate("CPageFWSelect", "All Files (*)")});
  if (!current.isEmpty()) dialog->selectFile(current);
  QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
    const QStringList files = dialog->selectedFiles();
    done(result == QDialog::Accepted && !files.isEmpty() ? files.front() : QString());
  });
  dialog->open();
}
