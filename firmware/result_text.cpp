#include "firmware/result_text.h"

#include <QtGlobal>

namespace {

struct ResultString {
  int lowest;  // the range runs from lowest up to the previous row's lowest - 1
  int id;
  const char* text;
};

constexpr ResultString kResultStrings[] = {
    {0, 145, QT_TRANSLATE_NOOP("FirmwareResult", "Success")},
    {-300, 150, QT_TRANSLATE_NOOP("FirmwareResult", "Internal error")},
    {-400, 146, QT_TRANSLATE_NOOP("FirmwareResult", "Could not connect to camera")},
    {-450, 147, QT_TRANSLATE_NOOP("FirmwareResult", "Authentication failed")},
    {-500, 148, QT_TRANSLATE_NOOP("FirmwareResult", "Firmware not supported")},
    {-600, 151, QT_TRANSLATE_NOOP("FirmwareResult", "Failed!")},
};
constexpr ResultString kUnknown{0, 144, QT_TRANSLATE_NOOP("FirmwareResult", "Unknown")};

const ResultString& Lookup(int code) {
  for (const ResultString& row : kResultStrings) {
    if (code >= row.lowest) return row;
  }
  return kUnknown;
}

}  // namespace

int FirmwareResultStringId(int code) { return Lookup(code).id; }

const char* FirmwareResultText(int code) { return Lookup(code).text; }
