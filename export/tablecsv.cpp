// The full table as CSV: every millimetre, no title.

#include <algorithm>
#include <span>
#include <string>

#include "calc/csv.h"
#include "export/atomicfile.h"
#include "export/tablewriters.h"
#include "uncertainty/statement.h"

namespace tarvol {
namespace {

// The CSV's lines with U beside each volume, the volume as the two-column table writes it.
void appendUncertaintyLines(std::string& out, const TableContent& content, size_t first, size_t count)
{
    std::string line;
    for (size_t level = first; level < first + count; ++level) {
        line.clear();
        appendCsvLines(line, std::span<const double>(&content.levelVolumes[level], 1), level, content.decimalPlaces);
        line.pop_back(); // its newline
        out += line + ';' + expandedText(content.expandedUncertainty[level], '.') + '\n';
    }
}

} // namespace

ExportResult writeTableCsv(const QString& path, const TableContent& content, const Progress& progress,
                           const std::atomic<bool>* cancel)
{
    SafeSaveFile file(path);
    if (!file.openForWriting())
        return writeError(path, file.failure());
    const int rows = content.tableRows();
    const std::span<const double> volumes(content.levelVolumes);
    constexpr size_t kChunkRows = 10000; // of 10 mm each
    std::string chunk = std::string(kCsvHeader) + (content.hasUncertainty() ? ";U_l\n" : "\n");
    if (progress)
        progress(rows, 0);
    for (size_t first = 0; first < volumes.size(); first += kChunkRows * 10) {
        if (cancelRequested(cancel)) {
            file.cancelWriting();
            return ExportError{ExportFailure::Cancelled, path, {}};
        }
        const size_t count = std::min(kChunkRows * 10, volumes.size() - first);
        if (content.hasUncertainty())
            appendUncertaintyLines(chunk, content, first, count);
        else
            appendCsvLines(chunk, volumes.subspan(first, count), first, content.decimalPlaces);
        if (file.write(chunk.data(), static_cast<qint64>(chunk.size())) != static_cast<qint64>(chunk.size()))
            break; // the reason is kept for finish()
        chunk.clear();
        if (progress)
            progress(rows,
                     static_cast<int>(std::min<size_t>(static_cast<size_t>(rows), (first + kChunkRows * 10) / 10)));
    }
    if (!file.finish())
        return writeError(path, file.failure());
    if (progress)
        progress(rows, 0);
    return {};
}

} // namespace tarvol
