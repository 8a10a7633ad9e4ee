#pragma once
// Texts of the camera's CGI interfaces: query building and escaping, the check that keeps
// parameter names and values from changing a query, and the parameter-answer line.

#include <string>

#include "camera/camera_result.h"

// name, then for the items key, value, key, value, ... (a null-terminated list): "&"
// before a key, "=" before a value, each item through EscapeQueryText. An odd number of
// items (a key without value, also what a null value makes) gives the empty text.
std::string BuildQuery(const char* name, const char* const* items);

// Every byte other than an ASCII letter or digit becomes "%" and two upper-case hex
// digits. Null gives the empty text.
std::string EscapeQueryText(const char* text);

// True when text can be put into a parameter query verbatim without changing it: no "&",
// "=", "#", "?", "%", "+", white space, control bytes or bytes from 0x80. Null is unsafe.
bool IsQuerySafeText(const char* text);

// Reads one answer line "Return_<n>=value" or "Exception_<n>=text" (trailing line feeds
// dropped). 4 for null, 9 when the text is not in that form (outputs untouched), else 0
// with returnValue or exceptionText set and the other emptied (both empty for another key).
CameraResult ParseParamLine(const char* text, std::string& exceptionText, std::string& returnValue);
