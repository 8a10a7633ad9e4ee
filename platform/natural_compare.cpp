#include "platform/natural_compare.h"

#include <cstddef>

namespace ravix {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

unsigned char Fold(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// Compares the digit runs starting at a[i] and b[j] by value and advances both indices.
int CompareNumberRuns(std::string_view a, std::size_t& i, std::string_view b, std::size_t& j) {
  while (i < a.size() && a[i] == '0') ++i;
  while (j < b.size() && b[j] == '0') ++j;
  const std::size_t startA = i, startB = j;
  while (i < a.size() && IsDigit(a[i])) ++i;
  while (j < b.size() && IsDigit(b[j])) ++j;
  const std::size_t lenA = i - startA, lenB = j - startB;
  if (lenA != lenB) return lenA < lenB ? -1 : 1;
  const int order = a.substr(startA, lenA).compare(b.substr(startB, lenB));
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      const int order = CompareNumberRuns(a, i, b, j);
      if (order != 0) return order;
      continue;
    }
    const unsigned char ca = Fold(a[i]), cb = Fold(b[j]);
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace ravix
