#pragma once
// A camera listing written to a file as a whole: into a temporary file in the target's
// folder, renamed over the target once it is complete, so that a failure leaves neither
// a partial file nor a damaged old one.

#include <QString>

#include <string>

#include "shell/camera_listing.h"

// ".json" gives JSON and ".csv" CSV (letter case ignored); any other name gives fallback.
ListingFormat ListingFormatForFile(const QString& path, ListingFormat fallback);

// Writes text to path; false with the reason in *error when it could not.
bool WriteListingFile(const QString& path, const std::string& text, QString* error);
