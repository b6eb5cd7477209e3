#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "export/fulltable.h"
#include "sensor/formats.h"

namespace tarvol {

// What a save dialog is opened with.
struct SaveRequest {
    QString fileName;    // the proposed name, or the last chosen path
    QStringList filters; // "Name (*.ext)" entries
    int filter = 0;      // the filter selected at opening
};

struct SaveChoice {
    QString path;
    int filter = 0; // index into SaveRequest::filters
};

// Asks where to save, and the full table's passport. The window shows its own dialog unless a service is installed (tests script
// the chosen path with one).
class SaveDialogService {
public:
    virtual ~SaveDialogService() = default;
    // Nothing when the user cancels.
    virtual std::optional<SaveChoice> choose(const SaveRequest& request) = 0;
    // The passport form of the full table, opened with `offered`; nothing when the user cancels.
    virtual std::optional<TankPassport> passport(const TankPassport& offered) { return offered; }
};

// The sensor file a chosen name asks for: its own suffix's format in any letter case, otherwise the selected
// filter's (an index into sensor::formats()), whose suffix a name without a known one then gets.
struct SensorTarget {
    QString path;
    const sensor::Format* format = nullptr;
};
SensorTarget sensorTarget(const QString& chosen, int filter);

// The installed service, or nullptr.
SaveDialogService* saveDialogService();

// Installs `service` (not owned) and returns the previous one; nullptr goes back to the window's dialog.
SaveDialogService* setSaveDialogService(SaveDialogService* service);

} // namespace tarvol
