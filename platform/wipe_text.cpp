#include "platform/wipe_text.h"

#include <sodium.h>

void WipeText(std::string& text) {
  // Wipe the whole allocation: an earlier, longer content may still sit past size().
  text.resize(text.capacity());
  sodium_memzero(text.data(), text.size());
  text.clear();
}
