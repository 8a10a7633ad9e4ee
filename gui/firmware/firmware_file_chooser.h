#pragma once
// How the firmware wizard asks for a firmware file: a file-open dialog by default; tests
// put their own answer in its place.

#include <QString>

#include <functional>

class QWidget;

// Shows a file-open dialog starting at current; the chosen full path, or an empty text when
// the user cancelled.
using FirmwareFileChooser = std::function<QString(QWidget* parent, const QString& current)>;

// The file-open dialog: "Firmware Files (*.bin)" and "All Files", default suffix "bin",
// existing files only, not added to the recent files.
QString ChooseFirmwareFileWithDialog(QWidget* parent, const QString& current);
