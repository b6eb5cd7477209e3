// The full table as CSV: every millimetre, no title.

#include <algorithm>
#include <span>
#include <string>

#include "calc/csv.h"
#include "export/atomicfile.h"
#include "export/tablewriters.h"

namespace tarvol {

ExportResult writeTableCsv(const QString& path, const TableContent& content, const Progress& progress,
                           const std::atomic<bool>* cancel)
{
    SafeSaveFile file(path);
    if (!file.openForWriting())
        return writeError(path, file.failure());
    const int rows = content.tableRows();
    const std::span<const double> volumes(content.levelVolumes);
    constexpr size_t kChunkRows = 10000; // of 10 mm each
    std::string chunk = std::string(kCsvHeader) + '\n';
    if (progress)
        progress(rows, 0);
    for (size_t first = 0; first < volumes.size(); first += kChunkRows * 10) {
        if (cancelRequested(cancel)) {
            file.cancelWriting();
            return ExportError{ExportFailure::Cancelled, path, {}};
        }
        appendCsvLines(chunk, volumes.subspan(first, std::min(kChunkRows * 10, volumes.size() - first)), first,
                       content.decimalPlaces);
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
