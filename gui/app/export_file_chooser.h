#pragma once
// How Export List asks for the file to write: a file-save dialog by default; tests put
// their own answer in its place.

#include <QString>

#include <functional>
#include <optional>

#include "shell/camera_listing.h"

class QWidget;

struct ExportTarget {
  QString path;
  ListingFormat format = ListingFormat::Csv;
};

// The chosen file and format, or nothing when the user cancelled.
using ExportFileChooser = std::function<std::optional<ExportTarget>(QWidget* parent)>;

// The file-save dialog: "CSV Files (*.csv)" and "JSON Files (*.json)"; the suffix of the
// name decides the format, else the chosen filter (whose suffix is added to a bare name).
std::optional<ExportTarget> ChooseExportFileWithDialog(QWidget* parent);
