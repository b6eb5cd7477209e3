#pragma once

// The writers of the full table's formats; each is a row of tableFormats().

#include <atomic>

#include <QFont>

#include "export/fulltable.h"

namespace tarvol {

// The PDF documents' page coordinates and type: 300 dots an inch, DejaVu Sans.
inline constexpr int kPdfResolution = 300;
inline double pdfMm(double millimetres) { return millimetres * kPdfResolution / 25.4; }
QFont pdfFont(double points, bool bold = false);

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
