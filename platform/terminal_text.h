#pragma once
// Text from the network on standard output. A terminal interprets control characters
// (a camera's name could clear the screen, move the cursor or retitle the window), so
// output to a terminal shows them as "\xNN"; output to a pipe or a file is data and is
// written exactly (the formats that need it quote or escape it themselves).

#include <cstdio>
#include <string>
#include <string_view>

namespace ravix {

// Whether stream is a terminal (isatty on its descriptor); false for null.
bool IsTerminal(std::FILE* stream);

// text with the C0 controls, DEL and the C1 controls (U+0080 to U+009F, written "\x80" to
// "\x9f") shown as "\xNN" (lower-case hex), and every byte that is not part of valid UTF-8
// as "\xNN" too (a lone 0x9B is CSI to some terminals). Other characters stay.
std::string TerminalSafe(std::string_view text);

}  // namespace ravix
