#pragma once
// WindowPlacementStore: the main window's placement in section "Window", as plain data
// shaped like the Windows placement record. The main frame converts to and from its
// own geometry; these functions hold the rules for what is stored and what is applied.

#include <optional>

#include "platform/app_profile.h"

struct PlacementPoint {
  int x = -1;
  int y = -1;
};

// Edges as the window system reports them; empty when right <= left or bottom <= top.
struct PlacementRect {
  int left = -1;
  int top = -1;
  int right = -1;
  int bottom = -1;

  bool IsEmpty() const { return right <= left || bottom <= top; }
};

inline constexpr int kShowNormal = 1;  // SW_SHOWNORMAL
inline constexpr int kShowDefault = 5;  // SW_SHOW, the fallback of the stored show command

struct WindowPlacement {
  unsigned length = 44;
  unsigned flags = 0;
  int showCmd = kShowDefault;
  PlacementPoint ptMinPosition;
  PlacementPoint ptMaxPosition;
  PlacementRect rcNormalPosition;
};

inline constexpr const char* kWindowSection = "Window";

namespace WindowPlacementStore {

// Writes the ten values; write failures are not reported.
void Save(const ravix::AppProfile& profile, const WindowPlacement& placement);

// Reads the stored placement. Returns nothing when the stored normal rectangle does not
// overlap the primary screen (0, 0, width, height), so the default position stays; also
// on the first run, when nothing is stored. Otherwise the placement to apply: its show
// command is pendingShowCmd (how the program was asked to show its window) or, when no
// such request is pending any more, kShowNormal. The stored show command is never applied.
std::optional<WindowPlacement> Load(const ravix::AppProfile& profile, int screenWidth, int screenHeight,
                                    std::optional<int> pendingShowCmd = std::nullopt);

// Where the window opens when no placement applies (the first start): centred in the
// screen's available area, kFirstStartShare percent of its width and height, at least
// kFirstStartMin (as far as the area allows).
inline constexpr int kFirstStartSharePercent = 70;
inline constexpr int kFirstStartMinWidth = 640;
inline constexpr int kFirstStartMinHeight = 420;
PlacementRect FirstStartRect(const PlacementRect& available);

// The overlap of a and b; empty when they do not overlap.
PlacementRect Intersect(const PlacementRect& a, const PlacementRect& b);

}  // namespace WindowPlacementStore
