#include "shell/window_placement_store.h"

#include <algorithm>

namespace WindowPlacementStore {
namespace {

void WriteValue(const ravix::AppProfile& profile, const char* name, int value) {
  profile.WriteProfileInt(kWindowSection, name, value);
}

int ReadValue(const ravix::AppProfile& profile, const char* name, int fallback) {
  return profile.GetProfileInt(kWindowSection, name, fallback);
}

}  // namespace

void Save(const ravix::AppProfile& profile, const WindowPlacement& wp) {
  WriteValue(profile, "wp.showCmd", wp.showCmd);
  WriteValue(profile, "wp.flags", static_cast<int>(wp.flags));
  WriteValue(profile, "wp.ptMinPosition.x", wp.ptMinPosition.x);
  WriteValue(profile, "wp.ptMinPosition.y", wp.ptMinPosition.y);
  WriteValue(profile, "wp.ptMaxPosition.x", wp.ptMaxPosition.x);
  WriteValue(profile, "wp.ptMaxPosition.y", wp.ptMaxPosition.y);
  WriteValue(profile, "wp.left", wp.rcNormalPosition.left);
  WriteValue(profile, "wp.right", wp.rcNormalPosition.right);
  WriteValue(profile, "wp.top", wp.rcNormalPosition.top);
  WriteValue(profile, "wp.bottom", wp.rcNormalPosition.bottom);
}

PlacementRect FirstStartRect(const PlacementRect& available) {
  const int areaWidth = std::max(0, available.right - available.left);
  const int areaHeight = std::max(0, available.bottom - available.top);
  const auto share = [](int length, int minimum) {
    return std::min(length, std::max(minimum, length * kFirstStartSharePercent / 100));
  };
  const int width = share(areaWidth, kFirstStartMinWidth);
  const int height = share(areaHeight, kFirstStartMinHeight);
  const int left = available.left + (areaWidth - width) / 2;
  const int top = available.top + (areaHeight - height) / 2;
  return PlacementRect{left, top, left + width, top + height};
}

PlacementRect Intersect(const PlacementRect& a, const PlacementRect& b) {
  PlacementRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                  std::min(a.bottom, b.bottom)};
  if (r.IsEmpty()) return PlacementRect{0, 0, 0, 0};
  return r;
}

std::optional<WindowPlacement> Load(const ravix::AppProfile& profile, int screenWidth, int screenHeight,
                                    std::optional<int> pendingShowCmd) {
  WindowPlacement wp;
  wp.showCmd = ReadValue(profile, "wp.showCmd", kShowDefault);
  wp.flags = static_cast<unsigned>(ReadValue(profile, "wp.flags", static_cast<int>(wp.flags)));
  wp.ptMinPosition.x = ReadValue(profile, "wp.ptMinPosition.x", wp.ptMinPosition.x);
  wp.ptMinPosition.y = ReadValue(profile, "wp.ptMinPosition.y", wp.ptMinPosition.y);
  wp.ptMaxPosition.x = ReadValue(profile, "wp.ptMaxPosition.x", wp.ptMaxPosition.x);
  wp.ptMaxPosition.y = ReadValue(profile, "wp.ptMaxPosition.y", wp.ptMaxPosition.y);
  wp.rcNormalPosition.left = ReadValue(profile, "wp.left", wp.rcNormalPosition.left);
  wp.rcNormalPosition.right = ReadValue(profile, "wp.right", wp.rcNormalPosition.right);
  wp.rcNormalPosition.top = ReadValue(profile, "wp.top", wp.rcNormalPosition.top);
  wp.rcNormalPosition.bottom = ReadValue(profile, "wp.bottom", wp.rcNormalPosition.bottom);

  const PlacementRect screen{0, 0, screenWidth, screenHeight};
  if (Intersect(wp.rcNormalPosition, screen).IsEmpty()) return std::nullopt;
  wp.showCmd = pendingShowCmd.value_or(kShowNormal);
  return wp;
}

}  // namespace WindowPlacementStore
