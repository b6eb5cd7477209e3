#pragma once

#include "export/automation.h"

namespace tarvol {

// Our own answer to "Excel.Application" where no spreadsheet automation exists: it keeps workbooks
// of cells, writes an Office Open XML workbook on "SaveAs" whatever the file's name, and on
// "Visible" 1 shows the saved workbook with fileOpener().
//
// It answers the calls of the two-column export: application Workbooks, ActiveWorkbook, Visible (write);
// Workbooks Add, item(i); workbook WorkSheets(i), SaveAs(path); worksheet Range("A1"); range Value (write).
AutomationRef makeWorkbookApplication();

} // namespace tarvol
