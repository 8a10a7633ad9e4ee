#pragma once
// Natural order of texts as people expect it in lists: letters compared without regard
// to case, runs of digits compared by their numeric value ("Cam2" before "cam10").

#include <string_view>

namespace ravix {

// Negative when a sorts before b, 0 when they are equal in this order, positive after.
int NaturalCompare(std::string_view a, std::string_view b);

}  // namespace ravix
