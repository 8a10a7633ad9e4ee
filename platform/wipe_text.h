#pragma once
// Overwrites a text that held a secret (user name, password, a URL carrying them) with
// zero bytes before it is emptied, in a way the compiler keeps.

#include <initializer_list>
#include <string>
#include <string_view>

void WipeText(std::string& text);

// The parts joined in one allocation of the exact size, so that building a text that
// carries a secret leaves no copies of it behind in memory given back by a growing string.
std::string JoinTexts(std::initializer_list<std::string_view> parts);
