#pragma once

#include <atomic>

#include "export/fulltable.h"

namespace tarvol {

// The full table as an A4 PDF, through QSaveFile; needs a QGuiApplication for its fonts.
ExportResult writeTablePdf(const QString& path, const TableContent& content, const Progress& progress,
                           const std::atomic<bool>* cancel);

} // namespace tarvol
