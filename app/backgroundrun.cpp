#include "app/backgroundrun.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include "app/messages.h"

namespace tarvol {
namespace {

const QString kRunning = QStringLiteral("Расчёт…");
const QString kSaving = QStringLiteral("Запись файла…");
const QString kCancel = QStringLiteral("Отмена");
const QString kStopAndClose = QStringLiteral("Прервать расчёт и закрыть программу?");

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

// The window an object belongs to: its own for a widget, its owner's for an action or shortcut.
const QWidget* ownerWindow(const QObject* object)
{
    for (; object; object = object->parent())
        if (object->isWidgetType())
            return static_cast<const QWidget*>(object)->window();
    return nullptr;
}

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

// Holds back the user's input to one window while a run computes, leaving its look alone, and turns a
// request to close that window into a question.
class InputGuard final : public QObject {
public:
    InputGuard(QWidget* window, std::function<void()> cancel) : m_window(window), m_cancel(std::move(cancel))
    {
        qApp->installEventFilter(this);
    }
    ~InputGuard() override { qApp->removeEventFilter(this); }

    bool closeRequested() const { return m_closeRequested; }

    // A run that ends while the close question is open answers it: nothing is left to stop, the results stay.
    void runEnded()
    {
        if (!m_asking)
            return;
        // the box itself, not whatever is modal now: the progress dialog may have opened above it
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible() && box->text() == kStopAndClose)
                box->close();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_window)
            return false;
        if (event->type() == QEvent::Close && watched == m_window) {
            event->ignore();
            if (!m_asking && !m_closeRequested) {
                m_asking = true;
                m_closeRequested = messages().question(kStopAndClose, messageCaption());
                m_asking = false;
                if (m_closeRequested)
                    m_cancel();
            }
            return true;
        }
        return isUserInput(event->type()) && ownerWindow(watched) == m_window;
    }

private:
    QPointer<QWidget> m_window;
    std::function<void()> m_cancel;
    bool m_asking = false;
    bool m_closeRequested = false;
};

int percent(double fraction) { return static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100); }

// Not modal: the guard holds the window's input back, and a modal dialog would make the window
// ignore the window manager's close request.
std::unique_ptr<QProgressDialog> makeProgressDialog(QWidget* parent, const QString& label, int value)
{
    auto dialog = std::make_unique<QProgressDialog>(label, kCancel, 0, 100, parent);
    dialog->setObjectName(QLatin1String(kProgressDialogName));
    dialog->setWindowTitle(messageCaption());
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAutoReset(false); // reaching 100 % must not hide the dialog before the rows are shown
    dialog->setMinimumDuration(0);
    dialog->setValue(value);
    return dialog;
}

RunOutcome runWithDialog(QWidget* parent, const QString& label, const BackgroundJob& job, RunOptions options,
                         const std::function<void(bool locked)>& lockCommands)
{
    const std::atomic<bool>* callerCancel = options.cancel;
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
        QPointer<QWidget> window = parent ? parent->window() : nullptr;
        const auto stop = [&cancel] { cancel.store(true, std::memory_order_relaxed); };
        bool locked = false;
        bool closeAfterRun = false;
        {
            InputGuard guard(window, stop);
            QEventLoop loop;
            QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
            QObject::connect(worker.get(), &QThread::finished, &loop, [&guard] { guard.runEnded(); });

            std::unique_ptr<QProgressDialog> dialog;
            QTimer poll;
            poll.setInterval(kProgressPollMs);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (callerCancel && callerCancel->load(std::memory_order_relaxed))
                    stop();
                if (dialog && !cancel.load(std::memory_order_relaxed))
                    dialog->setValue(percent(fraction.load(std::memory_order_relaxed)));
            });
            poll.start();
            QTimer delay;
            delay.setSingleShot(true);
            QObject::connect(&delay, &QTimer::timeout, [&] {
                if (cancel.load(std::memory_order_relaxed))
                    return; // cancelled before it showed: the run ends at once
                dialog = makeProgressDialog(parent, label, percent(fraction.load(std::memory_order_relaxed)));
                // "Отмена", Escape, closing the dialog and cancel() all hide it, and so does any other dismissal
                QObject::connect(dialog.get(), &QProgressDialog::canceled, dialog.get(), stop);
                dialog->installEventFilter(new CancelOnHide(dialog.get(), stop));
                if (lockCommands) {
                    lockCommands(true);
                    locked = true;
                }
                dialog->show();
            });
            delay.start(static_cast<int>(std::max<qint64>(0, kProgressDelayMs - clock.elapsed())));

            if (!worker->isFinished())
                loop.exec();
            // the loop also ends when the application quits; the run must not outlive it
            stop();
            worker->wait();
            delay.stop();
            poll.stop();
            dialog.reset();
            closeAfterRun = guard.closeRequested();
        }
        if (locked)
            lockCommands(false);
        // the caller still has the run's outcome to handle: the window closes once it is back in its loop
        if (closeAfterRun && window)
            QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
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
    // the save's own result says how it ended; the run's outcome is an empty table
    static_cast<void>(runWithDialog(parent, kSaving, save, {}, lockCommands));
    return result;
}

} // namespace tarvol
