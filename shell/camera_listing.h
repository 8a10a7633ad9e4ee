#pragma once
// Text output of discovered cameras for the command line: one row per record with the
// 17 columns of the list view, as an aligned table, CSV or JSON.

#include <string>
#include <vector>

#include "records/browse_record.h"
#include "views/record_columns.h"

enum class ListingFormat { Table, Csv, Json };

// Parses "table", "csv" or "json"; false for anything else.
bool ParseListingFormat(const std::string& text, ListingFormat& format);

// Where the text goes. A file or a pipe keeps camera texts as data, written exactly (CSV
// quotes them, JSON escapes them); on a terminal no control character from a camera takes
// effect: table and CSV cells show each one as \xNN (C0, DEL, the C1 controls and bytes
// that are not UTF-8), JSON escapes every character outside ASCII. In CSV a cell starting
// with "=", "+", "-", "@", TAB or CR gets a leading apostrophe wherever it goes, so that a
// spreadsheet never reads a camera's text as a formula.
enum class ListingDestination { File, Terminal };

std::string FormatCameraListing(const std::vector<CBrowseRecord>& records, ListingFormat format,
                                const views::AdapterNameLookup& adapterName,
                                ListingDestination destination = ListingDestination::File);
