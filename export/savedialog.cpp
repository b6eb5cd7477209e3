#include "export/savedialog.h"

#include <algorithm>

#include <QFileInfo>

namespace tarvol {
namespace {
SaveDialogService* g_service = nullptr;
} // namespace

SaveDialogService* saveDialogService() { return g_service; }

SensorTarget sensorTarget(const QString& chosen, int filter)
{
    if (const sensor::Format* own = sensor::formatBySuffix(QFileInfo(chosen).suffix().toStdString()))
        return {chosen, own};
    const auto formats = sensor::formats();
    const sensor::Format& selected =
        formats[static_cast<std::size_t>(std::clamp<int>(filter, 0, static_cast<int>(formats.size()) - 1))];
    return {chosen + QLatin1Char('.') + QString::fromUtf8(selected.suffix.data(), std::ssize(selected.suffix)),
            &selected};
}

SaveDialogService* setSaveDialogService(SaveDialogService* service)
{
    SaveDialogService* previous = g_service;
    g_service = service;
    return previous;
}

} // namespace tarvol
