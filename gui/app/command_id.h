#pragma once
// The commands of the finder's window. Each value is the command's resource number:
// menu item, accelerator, toolbar button and status prompt (string table) share it.

namespace ravix {

enum class CommandId : int {
  // Commands of the document.
  Refresh = 32771,
  OpenInBrowser = 32774,
  Requery = 32778,
  UpdateFirmware = 32802,
  SetDefaultPassword = 32803,
  IPSettings = 32810,
  AddByAddress = 32812,  // our own: cameras beyond the link, by address
  ExportList = 32814,    // our own: the shown cameras to a CSV or JSON file
  CopyURL = 57634,
  // Commands of the frame and the application.
  SelectAll = 32785,
  ViewTree = 32800,
  ViewList = 32801,
  VisitHomepage = 32806,
  ViewTrace = 32811,  // our own: the trace switch of the View menu
  QuickFilter = 32813,  // our own: the keyboard focus to the quick filter
  AppAbout = 57664,
  AppExit = 57665,
  Help = 57671,
  ViewToolbar = 59392,
  ViewStatusBar = 59393,
};

constexpr int ResourceNumber(CommandId id) { return static_cast<int>(id); }

}  // namespace ravix
