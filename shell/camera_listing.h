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

// Where the text goes. A file keeps camera texts as data (CSV quotes them, JSON escapes
// them); on standard output no control character from a camera reaches the terminal:
// table and CSV cells show each one as \xNN (C0, DEL and the C1 controls), JSON escapes
// every character outside ASCII.
enum class ListingDestination { File, StandardOutput };

// text with every control character shown as \xNN, for a terminal.
std::string TerminalVisible(const std::string& text);

std::string FormatCameraListing(const std::vector<CBrowseRecord>& records, ListingFormat format,
                                const views::AdapterNameLookup& adapterName,
                                ListingDestination destination = ListingDestination::File);
