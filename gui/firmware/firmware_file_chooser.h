#pragma once
// How the firmware wizard asks for a firmware file: a file-open dialog by default; tests
// put their own answer in its place.

#include <QString>

#include <functional>

class QWidget;

// Asks for a file starting at current; done gets the chosen full path, or an empty text when
// the user cancelled (at once or later, from the event loop).
using FirmwareFileDone = std::function<void(const QString& chosen)>;
using FirmwareFileChooser = std::function<void(QWidget* parent, const QString& current, FirmwareFileDone done)>;

// The file-open dialog, opened window-modal: "Firmware Files (*.bin)" and "All Files",
// default suffix "bin", existing files only, not added to the recent files.
void ChooseFirmwareFileWithDialog(QWidget* parent, const QString& current, FirmwareFileDone done);
