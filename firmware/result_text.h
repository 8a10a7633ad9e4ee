#pragma once
// The text shown for a firmware worker's exit code, in the update's results.

// String id of the text (144-151) by range of code, first match wins: 0 and above 145
// "Success"; -300..-1 150 "Internal error"; -400..-301 146 "Could not connect to camera";
// -450..-401 147 "Authentication failed"; -500..-451 148 "Firmware not supported";
// -600..-501 151 "Failed!"; below -600 144 "Unknown".
int FirmwareResultStringId(int code);

// The English text of FirmwareResultStringId(code) (marked for translation in the
// context "FirmwareResult").
const char* FirmwareResultText(int code);
