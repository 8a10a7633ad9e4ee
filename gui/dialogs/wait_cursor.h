#pragma once
// WaitCursor: the busy cursor over the whole application while it lives (nestable).

namespace ravix {

class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace ravix
