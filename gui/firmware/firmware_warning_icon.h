#pragma once
// The warning picture the firmware wizard's pages show beside their warnings.

class QLabel;
class QWidget;

QLabel* MakeFirmwareWarningIcon(QWidget* parent);
