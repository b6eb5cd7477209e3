#pragma once

#include "export/automation.h"
#include "export/content.h"

namespace tarvol {

inline const QString kSpreadsheetProgramId = QStringLiteral("Excel.Application");

// Puts the content into a new workbook of the spreadsheet application reached through `automation`
// and saves it at `path`, two automation calls per cell: the shape in A1, dimension k in A(k + 2),
// the headings in A12/B12 and grid row r in A(r + 12)/B(r + 12), every value a text.
// The first failing call ends the export with its message; the later calls are not made.
// Progress: maximum the grid's row count, position r after row r, then 0.
ExportResult exportSpreadsheet(const ExportContent& content, const QString& path, AutomationFactory& automation,
                               const Progress& progress = {});

} // namespace tarvol
