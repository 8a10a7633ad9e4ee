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

// Asks for the file; done gets the chosen file and format, or nothing when the user
// cancelled (at once or later, from the event loop).
using ExportFileDone = std::function<void(std::optional<ExportTarget> target)>;
using ExportFileChooser = std::function<void(QWidget* parent, ExportFileDone done)>;

// The file-save dialog, opened window-modal: "CSV Files (*.csv)" and "JSON Files (*.json)";
// the suffix of the name decides the format, else the chosen filter (whose suffix is added
// to a bare name).
void ChooseExportFileWithDialog(QWidget* parent, ExportFileDone done);
