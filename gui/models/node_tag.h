#pragma once
// NodeTag: what a node of the camera tree stands for: this computer, one adapter (by
// interface index) or one camera (by record ID). Values are kept whole, so large record
// IDs or interface indexes never collide.

#include <cstdint>

enum class NodeKind : uint8_t { Root, Adapter, Camera };

struct NodeTag {
  NodeKind Kind = NodeKind::Root;
  uint32_t Value = 0;  // interface index or record ID; 0 for the root

  static constexpr NodeTag RootTag() { return {NodeKind::Root, 0}; }
  static constexpr NodeTag AdapterTag(uint32_t ifIndex) { return {NodeKind::Adapter, ifIndex}; }
  static constexpr NodeTag CameraTag(uint32_t recordId) { return {NodeKind::Camera, recordId}; }

  friend constexpr bool operator==(const NodeTag&, const NodeTag&) = default;
};
