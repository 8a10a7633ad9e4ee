#pragma once
// Texts of the camera's CGI interfaces: query building and escaping, the check that keeps
// parameter names and values from changing a query, and the parameter-answer line.

#include <cstddef>
#include <string>
#include <vector>

#include "http/camera_result.h"

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

// The answer of a GetValue query for expectedCount names: one "Return_<n>=value" line per
// name, in order (a last line without line feed counts). A line in another form gives 9,
// an "Exception_<n>=" line 10, another number of lines 1; values is empty unless 0.
CameraResult ParseGetValuesAnswer(const char* text, std::size_t expectedCount, std::vector<std::string>& values);

// The session id of a login answer ("... session_id: '<hex>' ..."): 0, or CamFailed (1)
// when the answer has no such id with text before and after it (sessionId untouched).
CameraResult ParseLoginAnswer(const char* text, std::string& sessionId);

// Takes "user:password@" out of an "http://" URL (scheme case ignored); "%XX" in user and
// password is decoded, so any text can be given percent-encoded. False, with every
// argument untouched, when the URL is not in that form: another scheme, no credentials,
// or a raw ":" or "@" inside the user name or password. The replaced URL text is wiped.
bool SplitUrlCredentials(std::string& url, std::string& user, std::string& password);
