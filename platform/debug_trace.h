#pragma once
// The one trace routine every log line goes through, and its process-wide switch.
//
// Tracing is off by default. It is switched on by the environment variable
// RAVIXFINDER_TRACE=1, by the command-line option --trace, or at run time through
// SetTraceEnabled (the View menu). Lines go to standard error.

#include <cstdarg>
#include <cstddef>

namespace ravix {

constexpr std::size_t kTraceBufferSize = 4096;
// At most this many characters come from the format; one more may be a line feed.
constexpr std::size_t kTraceMaxFormatted = 4094;

// Formats like vsnprintf into buf (kTraceBufferSize bytes). "%hs" (a narrow string on
// the camera side of the code base) is accepted as "%s". At most kTraceMaxFormatted
// characters are kept; when the result is empty or does not end with '\n' and was not
// truncated, a '\n' is appended. Returns the length of the text in buf, or 0 when the
// format is null or formatting failed.
std::size_t FormatTraceLine(char* buf, const char* format, va_list args);

void SetTraceEnabled(bool on);
bool IsTraceEnabled();

// Reads RAVIXFINDER_TRACE from the environment ("1" switches tracing on).
void InitTraceFromEnvironment();

// Switches tracing on when "--trace" is among the arguments and removes it from argv
// (argc is lowered accordingly). Returns true when the option was found.
bool TakeTraceOption(int& argc, char** argv);

}  // namespace ravix

// Writes one formatted line to standard error when tracing is on and the format is not
// null; returns whether it wrote.
bool DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
