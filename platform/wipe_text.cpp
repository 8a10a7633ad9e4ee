#include "platform/wipe_text.h"

#include <sodium.h>

void WipeText(std::string& text) {
  // Wipe the whole allocation: an earlier, longer content may still sit past size().
  text.resize(text.capacity());
  sodium_memzero(text.data(), text.size());
  text.clear();
}

std::string JoinTexts(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  std::string joined;
  joined.reserve(size);
  for (std::string_view part : parts) joined.append(part);
  return joined;
}
