#include "gui/app/export_file_chooser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QStringList>

#include "shell/listing_file.h"

namespace {

QString Text(const char* source) { return QCoreApplication::translate("ExportFileChooser", source); }

}  // namespace

void ChooseExportFileWithDialog(QWidget* parent, ExportFileDone done) {
  const QString csv = Text(QT_TRANSLATE_NOOP("ExportFileChooser", "CSV Files (*.csv)"));
  const QString json = Text(QT_TRANSLATE_NOOP("ExportFileChooser", "JSON Files (*.json)"));
  auto* dialog = new QFileDialog(parent, Text(QT_TRANSLATE_NOOP("ExportFileChooser", "Export List")));
  dialog->setAttribute(Qt::WA_DeleteOnClose);  // deletes itself when closed
  dialog->setObjectName(QStringLiteral("exportFileDialog"));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilters({csv, json});
  dialog->setDefaultSuffix(QStringLiteral("csv"));
  dialog->setDirectory(QDir::home());
  dialog->selectFile(QStringLiteral("cameras.csv"));
  QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog, json](const QString& filter) {
    dialog->setDefaultSuffix(filter == json ? QStringLiteral("json") : QStringLiteral("csv"));
  });
  QObject::connect(dialog, &QDialog::finished, dialog, [dialog, json, done = std::move(done)](int result) {
    const QStringList files = dialog->selectedFiles();
    if (result != QDialog::Accepted || files.isEmpty()) {
      done(std::nullopt);
      return;
    }
    const ListingFormat chosen = dialog->selectedNameFilter() == json ? ListingFormat::Json : ListingFormat::Csv;
    done(ExportTarget{files.front(), ListingFormatForFile(files.front(), chosen)});
  });
  dialog->open();
}
