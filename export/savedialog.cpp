#include "export/savedialog.h"

namespace tarvol {
namespace {
SaveDialogService* g_service = nullptr;
} // namespace

SaveDialogService* saveDialogService() { return g_service; }

SaveDialogService* setSaveDialogService(SaveDialogService* service)
{
    SaveDialogService* previous = g_service;
    g_service = service;
    return previous;
}

} // namespace tarvol
