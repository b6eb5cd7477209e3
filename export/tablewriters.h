#pragma once

// The writers of the full table's formats; each is a row of tableFormats().

#include <atomic>

#include "export/fulltable.h"

namespace tarvol {

inline bool cancelRequested(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

ExportResult writeTableXlsx(const QString& path, const TableContent& content, const Progress& progress,
                            const std::atomic<bool>* cancel);
// Needs a QGuiApplication for its fonts.
ExportResult writeTablePdf(const QString& path, const TableContent& content, const Progress& progress,
                           const std::atomic<bool>* cancel);
ExportResult writeTableCsv(const QString& path, const TableContent& content, const Progress& progress,
                           const std::atomic<bool>* cancel);

} // namespace tarvol
