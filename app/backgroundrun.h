#pragma once

#include <atomic>
#include <functional>

#include "calc/run.h"
#include "export/content.h"

class QWidget;

namespace tarvol {

// The progress dialog's object name, so tests and guards can tell it from an unexpected box.
inline constexpr char kProgressDialogName[] = "RunProgress";

// A run that has not ended after this long shows the progress dialog.
inline constexpr int kProgressDelayMs = 300;

using BackgroundJob = std::function<RunOutcome(const RunOptions&)>;

// Runs `job` on a worker thread and returns its outcome once it has ended, keeping the caller's window
// responsive meanwhile: the window repaints, but the user's input to it is held back (nothing is greyed).
// A run still going after kProgressDelayMs shows a progress dialog over `parent` whose "Отмена" (or closing
// it) cancels the run. Closing `parent`'s window while the run computes asks whether to stop the run and
// close; on "Да" the run is cancelled and the window closed once the run has ended.
// The job gets `options` with their progress and cancel replaced by the dialog's; a cancel flag the caller
// set in `options` still cancels the run. The job must not touch widgets.
// `lockCommands(true)` is called when the progress dialog appears, and `lockCommands(false)` after the run
// ends; the caller shows its commands switched off there. Events run in a local loop from the first glance
// on. An exception from the job is rethrown here.
RunOutcome runInBackground(QWidget* parent, const BackgroundJob& job, RunOptions options,
                           const std::function<void(bool locked)>& lockCommands = {});

// A save that writes its file on the worker: it reports the share written through `progress` and stops
// when `cancel` is set.
using SaveJob = std::function<ExportResult(const Progress& progress, const std::atomic<bool>* cancel)>;

// runInBackground for a save: the same locking and progress dialog, labelled "Запись файла…".
ExportResult saveInBackground(QWidget* parent, const SaveJob& job,
                              const std::function<void(bool locked)>& lockCommands = {});

} // namespace tarvol
