#pragma once

#include <optional>

#include <QString>
#include <QStringList>

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

// Asks where to save. The window shows its own dialog unless a service is installed (tests script
// the chosen path with one).
class SaveDialogService {
public:
    virtual ~SaveDialogService() = default;
    // Nothing when the user cancels.
    virtual std::optional<SaveChoice> choose(const SaveRequest& request) = 0;
};

// The installed service, or nullptr.
SaveDialogService* saveDialogService();

// Installs `service` (not owned) and returns the previous one; nullptr goes back to the window's dialog.
SaveDialogService* setSaveDialogService(SaveDialogService* service);

} // namespace tarvol
