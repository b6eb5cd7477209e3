#pragma once

#include <atomic>
#include <functional>

#include <QString>
#include <xlsxwriter.h>

#include "export/content.h"

namespace tarvol {

// Fills a workbook; an error stops the save with that error.
using XlsxBuilder = std::function<ExportResult(lxw_workbook* workbook)>;

// Builds the workbook in a private temporary folder, then puts it at `path` in one step,
// so a failure never leaves a half-written workbook or touches an existing file.
// `constantMemory` streams rows to disk, for big tables written row by row. Setting `cancel` stops the
// packing and the copy into place at once.
ExportResult saveXlsx(const QString& path, bool constantMemory, const XlsxBuilder& build,
                      const std::atomic<bool>* cancel = nullptr);

// Russian text of a libxlsxwriter error code; `systemError` is errno after the failing call.
QString xlsxErrorText(lxw_error error, int systemError = 0);

} // namespace tarvol
