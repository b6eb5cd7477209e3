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
// responsive meanwhile: a run still going after kProgressDelayMs shows a window-modal progress dialog
// over `parent` whose "Отмена" (or closing it) cancels the run. The job gets `options` with their
// progress and cancel replaced by the dialog's, and must not touch widgets.
// `lockCommands(true)` is called only when the run outlives a glance, before any event is processed, and
// `lockCommands(false)` after it ends; the caller switches its commands off and on there. Between the
// two, events run in a local loop. An exception from the job is rethrown here.
RunOutcome runInBackground(QWidget* parent, const BackgroundJob& job, RunOptions options,
                           const std::function<void(bool locked)>& lockCommands = {});

// A save that writes its file on the worker: it reports the share written through `progress` and stops
// when `cancel` is set.
using SaveJob = std::function<ExportResult(const Progress& progress, const std::atomic<bool>* cancel)>;

// runInBackground for a save: the same locking and progress dialog, labelled "Запись файла…".
ExportResult saveInBackground(QWidget* parent, const SaveJob& job,
                              const std::function<void(bool locked)>& lockCommands = {});

} // namespace tarvol
