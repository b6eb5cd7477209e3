#include "app/backgroundrun.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include "app/messages.h"

namespace tarvol {
namespace {

const QString kRunning = QStringLiteral("Расчёт…");
const QString kSaving = QStringLiteral("Запись файла…");
const QString kCancel = QStringLiteral("Отмена");

// A run this short is simply waited for: nothing repaints in between, so nothing flickers.
constexpr int kGlanceMs = 50;
constexpr int kProgressPollMs = 50;

// The dialog's cancel() slot only hides it, without a signal: any hide the program makes cancels the run.
// A minimised window hides its dialog spontaneously, and that one must not.
class CancelOnHide final : public QObject {
public:
    CancelOnHide(QObject* parent, std::function<void()> cancel) : QObject(parent), m_cancel(std::move(cancel)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && !event->spontaneous())
            m_cancel();
        return false;
    }

private:
    std::function<void()> m_cancel;
};

int percent(double fraction) { return static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100); }

std::unique_ptr<QProgressDialog> makeProgressDialog(QWidget* parent, const QString& label, int value)
{
    auto dialog = std::make_unique<QProgressDialog>(label, kCancel, 0, 100, parent);
    dialog->setObjectName(QLatin1String(kProgressDialogName));
    dialog->setWindowTitle(messageCaption());
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoReset(false); // reaching 100 % must not hide the dialog before the rows are shown
    dialog->setMinimumDuration(0);
    dialog->setValue(value);
    return dialog;
}

RunOutcome runWithDialog(QWidget* parent, const QString& label, const BackgroundJob& job, RunOptions options,
                         const std::function<void(bool locked)>& lockCommands)
{
    std::atomic<bool> cancel{false};
    std::atomic<double> fraction{0};
    options.cancel = &cancel;
    options.progress = [&fraction](double done) { fraction.store(done, std::memory_order_relaxed); };

    RunOutcome outcome;
    std::exception_ptr failure;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            outcome = job(options);
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QElapsedTimer clock;
    clock.start();
    worker->start();

    if (!worker->wait(QDeadlineTimer(kGlanceMs))) {
        if (lockCommands)
            lockCommands(true);
        QEventLoop loop;
        QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);

        std::unique_ptr<QProgressDialog> dialog;
        QTimer poll;
        poll.setInterval(kProgressPollMs);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (dialog)
                dialog->setValue(percent(fraction.load(std::memory_order_relaxed)));
        });
        QTimer delay;
        delay.setSingleShot(true);
        QObject::connect(&delay, &QTimer::timeout, [&] {
            dialog = makeProgressDialog(parent, label, percent(fraction.load(std::memory_order_relaxed)));
            // "Отмена", Escape, closing the dialog and cancel() all hide it, and so does any other dismissal
            const auto stop = [&] {
                cancel.store(true, std::memory_order_relaxed);
                poll.stop();
            };
            QObject::connect(dialog.get(), &QProgressDialog::canceled, dialog.get(), stop);
            dialog->installEventFilter(new CancelOnHide(dialog.get(), stop));
            dialog->show();
            poll.start();
        });
        delay.start(static_cast<int>(std::max<qint64>(0, kProgressDelayMs - clock.elapsed())));

        if (!worker->isFinished())
            loop.exec();
        // the loop also ends when the application quits; the run must not outlive it
        cancel.store(true, std::memory_order_relaxed);
        worker->wait();
        delay.stop();
        poll.stop();
        dialog.reset();
        if (lockCommands)
            lockCommands(false);
    }
    if (failure)
        std::rethrow_exception(failure);
    return outcome;
}

} // namespace

RunOutcome runInBackground(QWidget* parent, const BackgroundJob& job, RunOptions options,
                           const std::function<void(bool locked)>& lockCommands)
{
    return runWithDialog(parent, kRunning, job, std::move(options), lockCommands);
}

ExportResult saveInBackground(QWidget* parent, const SaveJob& job, const std::function<void(bool locked)>& lockCommands)
{
    ExportResult result;
    const BackgroundJob save = [&result, &job](const RunOptions& o) {
        const Progress progress = [&o](int maximum, int position) {
            if (o.progress && maximum > 0)
                o.progress(static_cast<double>(position) / maximum);
        };
        result = job(progress, o.cancel);
        return RunOutcome{};
    };
    runWithDialog(parent, kSaving, save, {}, lockCommands);
    return result;
}

} // namespace tarvol
