#include "gui/app/export_file_chooser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QStringList>

#include "shell/listing_file.h"

namespace {

QString Text(const char* source) { return QCoreApplication::translate("ExportFileChooser", source); }

}  // namespace

std::optional<ExportTarget> ChooseExportFileWithDialog(QWidget* parent) {
  const QString csv = Text(QT_TRANSLATE_NOOP("ExportFileChooser", "CSV Files (*.csv)"));
  const QString json = Text(QT_TRANSLATE_NOOP("ExportFileChooser", "JSON Files (*.json)"));
  QFileDialog dialog(parent, Text(QT_TRANSLATE_NOOP("ExportFileChooser", "Export List")));
  dialog.setObjectName(QStringLiteral("exportFileDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({csv, json});
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  dialog.setDirectory(QDir::home());
  dialog.selectFile(QStringLiteral("cameras.csv"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, json](const QString& filter) {
    dialog.setDefaultSuffix(filter == json ? QStringLiteral("json") : QStringLiteral("csv"));
  });
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  const ListingFormat chosen = dialog.selectedNameFilter() == json ? ListingFormat::Json : ListingFormat::Csv;
  return ExportTarget{files.front(), ListingFormatForFile(files.front(), chosen)};
}
