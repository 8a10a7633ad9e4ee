#pragma once
// What the update reads from the camera's firmware pages and its session suffix. Every
// reader takes a NUL-terminated text of any content: a page that does not have the
// expected form (or that would make the matcher give up) counts as not matching.

#include <string>

// The refresh instruction of a status page.
struct Refresh {
  std::string path;  // begins with "/"
  int delaySeconds = 0;
};

// `<meta http-equiv="refresh" content="N; url=/...">` anywhere on the page (case ignored).
// The delay is N, or maxDelaySeconds (at least 1) when N is 0 or above it. False (refresh untouched)
// without such an instruction or when the URL does not begin with "/".
bool ReadRefresh(const char* page, Refresh& refresh, int maxDelaySeconds);

// The first number followed (after optional white space) by "%" on a page, saturated at
// 1000; 0 when there is none.
unsigned ReadShownPercent(const char* page);

// Whether the answer to the image post says the image " is matching " the camera.
bool IsImageConfirmed(const char* page);

// "session_id=<hex>" out of a session suffix such as "&session_id=1a2b"; empty when the
// suffix carries none.
std::string ReadSessionArgument(const char* suffix);
