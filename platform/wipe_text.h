#pragma once
// Overwrites a text that held a secret (user name, password, a URL carrying them) with
// zero bytes before it is emptied, in a way the compiler keeps.

#include <string>

void WipeText(std::string& text);
