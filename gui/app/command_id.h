#pragma once
// The commands of the finder's window. Each value is the command's resource number:
// menu item, accelerator and toolbar button share it.

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
  AssignAddresses = 32815,  // our own: network settings for the selected cameras from a plan
  GiveLinkLocalAddress = 32816,  // our own: a temporary link-local address for an adapter without IPv4
  ReachCamera = 32817,           // our own: a temporary address in the subnet of a camera no adapter reaches
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

// The command's name as its action's objectName carries it ("action" + name).
constexpr const char* CommandName(CommandId id) {
  switch (id) {
    case CommandId::Refresh: return "Refresh";
    case CommandId::OpenInBrowser: return "OpenInBrowser";
    case CommandId::Requery: return "Requery";
    case CommandId::UpdateFirmware: return "UpdateFirmware";
    case CommandId::SetDefaultPassword: return "SetDefaultPassword";
    case CommandId::IPSettings: return "IPSettings";
    case CommandId::AddByAddress: return "AddByAddress";
    case CommandId::ExportList: return "ExportList";
    case CommandId::AssignAddresses: return "AssignAddresses";
    case CommandId::GiveLinkLocalAddress: return "GiveLinkLocalAddress";
    case CommandId::ReachCamera: return "ReachCamera";
    case CommandId::CopyURL: return "CopyURL";
    case CommandId::SelectAll: return "SelectAll";
    case CommandId::ViewTree: return "ViewTree";
    case CommandId::ViewList: return "ViewList";
    case CommandId::VisitHomepage: return "VisitHomepage";
    case CommandId::ViewTrace: return "ViewTrace";
    case CommandId::QuickFilter: return "QuickFilter";
    case CommandId::AppAbout: return "AppAbout";
    case CommandId::AppExit: return "AppExit";
    case CommandId::Help: return "Help";
    case CommandId::ViewToolbar: return "ViewToolbar";
    case CommandId::ViewStatusBar: return "ViewStatusBar";
  }
  return "";
}

}  // namespace ravix
