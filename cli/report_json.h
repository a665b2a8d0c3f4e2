#pragma once
// The report as JSON: each file's section of the report text as an object
// whose members are its "label: value" lines, so that every value is the
// one the text shows.
#include <cstdint>

#include "cli/json_writer.h"
#include "morph/report.h"

// Members "original" and "matching", and "details" with its own
// "original" and "matching" when the text has them, of the object open in
// `json`, read from the report's text; each file's own section adds
// "reason", why it didn't load (null when it loaded or nothing says).
void WriteReportSections(JsonWriter& json, const ReportText& report);
