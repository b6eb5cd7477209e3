// The tank as a document: «Ёмкость» with open, save, save as and the recent files; the title's mark and the
// question before unsaved changes are lost.

#include "app/tform1.h"

#include <cmath>
#include <limits>

#include <QAction>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTimer>

#include "app/measuredpanel.h"
#include "app/messages.h"
#include "app/tankdocument.h"
#include "calc/catalogue.h"
#include "calc/format.h"
#include "export/atomicfile.h"
#include "export/fulltable.h"
#include "export/savedialog.h"
#include "ui_tform1.h"

namespace tarvol {
namespace {

constexpr int kRecentCount = 5;
const QString kRecentKey = QStringLiteral("tank/recent");
const QString kTankFilter = QStringLiteral("Ёмкость Tarvol (*.tarvol)");
const QString kOpenTitle = QStringLiteral("Открыть ёмкость");
const QString kUntitled = QStringLiteral("ёмкость.tarvol");
const QString kUnsavedQuestion = QStringLiteral("Ёмкость «%1» изменена. Сохранить изменения?");
const QString kNoShape = QStringLiteral("Не выбрана форма ёмкости: сохранять нечего.");

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tarvol"), QStringLiteral("tarvol"));
}

void rememberRecent(const QString& path)
{
    QStringList recent = TForm1::recentTanks();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > kRecentCount)
        recent.removeLast();
    settings().setValue(kRecentKey, recent);
}

// A file that is gone is no longer offered among the recent ones.
void forgetRecent(const QString& path)
{
    QStringList recent = TForm1::recentTanks();
    if (recent.removeAll(QFileInfo(path).absoluteFilePath()) > 0)
        settings().setValue(kRecentKey, recent);
}

bool isTankFile(const QString& path) { return path.endsWith(QLatin1String(kTankSuffix.data()), Qt::CaseInsensitive); }

// The one tank file a drop carries, or nothing.
QString droppedTank(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile())
        return {};
    const QString path = data->urls().front().toLocalFile();
    return isTankFile(path) ? path : QString();
}

} // namespace

QStringList TForm1::recentTanks() { return settings().value(kRecentKey).toStringList(); }

void TForm1::setUpTankMenu()
{
    m_baseTitle = windowTitle();
    m_recentMenu = m_ui->TankMenu;
    m_recentSeparator = m_ui->TankMenu->addSeparator();
    // the same guard as the window's other commands: nothing starts while a run computes
    const auto command = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, [this, handler] {
            if (!m_running)
                handler();
        });
    };
    command(m_ui->TankOpen, [this] {
        const QString path = QFileDialog::getOpenFileName(this, kOpenTitle, fileDialogFolder(), kTankFilter);
        if (!path.isEmpty()) {
            rememberFileDialogFolder(path);
            openTank(path);
        }
    });
    command(m_ui->TankSave, [this] { saveTank(); });
    command(m_ui->TankSaveAs, [this] { saveTankAs(); });
    connect(m_ui->TankMenu, &QMenu::aboutToShow, this, &TForm1::updateRecentMenu);

    // every input that belongs to the tank moves the title's mark
    for (int i = 0; i < kDimensionRows; ++i)
        connect(m_fields[static_cast<size_t>(i)], &QLineEdit::textChanged, this, &TForm1::updateTankTitle);
    connect(m_ui->ComboBox1, &QComboBox::currentTextChanged, this, &TForm1::updateTankTitle);
    connect(m_ui->ComboBox2, &QComboBox::currentIndexChanged, this, &TForm1::updateTankTitle);
    setAcceptDrops(true);
    updateRecentMenu();
    updateTankTitle();
}

// The recent files follow the three commands, newest first, each with its number as the access key.
void TForm1::updateRecentMenu()
{
    // the entries after the recent files' separator are the files; the commands before it stay
    const QList<QAction*> actions = m_recentMenu->actions();
    for (qsizetype i = actions.indexOf(m_recentSeparator) + 1; i > 0 && i < actions.size(); ++i)
        delete actions[i];
    const QStringList recent = recentTanks();
    for (qsizetype i = 0; i < recent.size(); ++i) {
        const QString& path = recent[i];
        QAction* entry = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QDir::toNativeSeparators(path).replace(u'&', QStringLiteral("&&"))));
        entry->setObjectName(QStringLiteral("TankRecent%1").arg(i + 1));
        connect(entry, &QAction::triggered, this, [this, path] {
            if (!m_running)
                openTank(path);
        });
    }
    m_recentSeparator->setVisible(!recent.isEmpty());
}

Tank TForm1::currentTank() const
{
    Tank tank = m_tank;
    const auto k = findShape(selectedShapeName().toStdString());
    tank.shape = k.value_or(-1);
    tank.dimensions.clear();
    for (size_t i = 0; k && i < shape(*k).captions.size(); ++i) {
        // a fitted field shows its tenth with the user's decimal mark; a field not filled is no number
        bool ok = false;
        const double value = QLocale::c().toDouble(m_fields[i]->text().replace(u',', u'.'), &ok);
        tank.dimensions.push_back(ok ? value : std::numeric_limits<double>::quiet_NaN());
    }
    tank.decimals = runDecimals(m_ui->ComboBox2->currentIndex());
    if (tank.fit && tank.fit->shape != tank.shape)
        tank.fit.reset();
    if (tank.orientation && (!k || shape(*k).group != Group::Horizontal))
        tank.orientation.reset();
    tank.strapping.reset();
    if (measuredSelected()) {
        tank.shape = kMeasuredShape;
        tank.strapping = m_measured->record();
    }
    return tank;
}

bool TForm1::tankModified() const
{
    return !m_tankPath.isEmpty() && (!m_savedTank || documentOf(currentTank()) != *m_savedTank);
}

// "name.tarvol* — ПРОГРАММА TARVOL." while the file has unsaved changes; the program's own title without a file.
void TForm1::updateTankTitle()
{
    if (m_applyingTank)
        return;
    if (m_tankPath.isEmpty()) {
        setWindowTitle(m_baseTitle);
        setWindowModified(false);
        return;
    }
    setWindowTitle(QFileInfo(m_tankPath).fileName() + QStringLiteral("[*] — ") + m_baseTitle.simplified());
    setWindowModified(tankModified());
}

void TForm1::tankSetUp()
{
    if (m_applyingTank)
        return;
    // the engineer stays the same from one tank to the next; the number, the owner and the date do not
    TankPassport passport;
    passport.author = m_tank.passport.author;
    m_tank.passport = passport;
}

// «Очистка» begins a new tank; a changed one is offered for saving first.
void TForm1::clearTankCommand()
{
    if (!confirmUnsavedChanges())
        return;
    ComboBox1Change();
    Tank fresh; // the modifiers go with the tank; the passport's author stays
    fresh.passport = m_tank.passport;
    m_tank = std::move(fresh);
    m_tankPath.clear();
    m_savedTank.reset();
    updateTankTitle();
}

bool TForm1::confirmUnsavedChanges()
{
    if (!tankModified())
        return true;
    switch (messages().unsavedChanges(kUnsavedQuestion.arg(QFileInfo(m_tankPath).fileName()))) {
    case UnsavedAnswer::Save:
        return saveTank();
    case UnsavedAnswer::Discard:
        return true;
    case UnsavedAnswer::Cancel:
        break;
    }
    return false;
}

bool TForm1::openTank(const QString& path)
{
    if (m_running || !confirmUnsavedChanges())
        return false;
    const auto read = readTank(localPath(path));
    if (!read) {
        TankFileError error = read.error();
        error.path = QDir::toNativeSeparators(path).toStdString();
        messages().error(fromUtf8(tankFileErrorText(error)));
        if (error.fault == TankFileFault::Missing)
            forgetRecent(path);
        return false;
    }
    applyTank(*read);
    m_tankPath = QFileInfo(path).absoluteFilePath();
    m_savedTank = documentOf(currentTank());
    rememberRecent(m_tankPath);
    updateTankTitle();
    // a tank whose fields are all filled is calculated at once, as after "Рассчитать"
    if (inputComplete())
        N2Click();
    return true;
}

void TForm1::applyTank(const Tank& tank)
{
    const ShapeInfo& info = shapeInfo(tank.shape);
    {
        const QSignalBlocker block(m_ui->RG1Buttons);
        m_ui->RG1Buttons->button(static_cast<int>(info.group))->setChecked(true);
    }
    RG1Click(); // the orientation's shapes in the selector, the first one set up
    const int item = m_ui->ComboBox1->findText(fromUtf8(std::string(info.name)), Qt::MatchExactly);
    m_ui->ComboBox1->setCurrentIndex(item);
    ComboBox1Change();
    const QScopedValueRollback applying(m_applyingTank, true);
    for (size_t i = 0; i < info.captions.size() && i < tank.dimensions.size(); ++i)
        m_fields[i]->setText(std::isnan(tank.dimensions[i])
                                 ? QString()
                                 : fromUtf8(formatGeneral(tank.dimensions[i], decimalSeparator())));
    if (tank.strapping)
        m_measured->setRecord(*tank.strapping);
    m_ui->ComboBox2->setCurrentIndex(tank.decimals);
    m_tank = tank;
    // a field count the shape does not have gets the run's own refusal
    if (!isMeasuredShape(tank.shape) && tank.dimensions.size() != info.captions.size()) {
        RunOptions options;
        options.separator = decimalSeparator();
        const RunOutcome outcome = calculate(tank.shape, tank.dimensions, options);
        if (const Refusal* refusal = outcome.refusal())
            messages().information(fromUtf8(refusal->message));
    }
}

bool TForm1::saveTank()
{
    if (m_tankPath.isEmpty())
        return saveTankAs();
    return saveTankTo(m_tankPath);
}

bool TForm1::saveTankAs()
{
    SaveRequest request;
    request.fileName = m_tankPath.isEmpty() ? QDir(fileDialogFolder()).filePath(kUntitled) : m_tankPath;
    request.filters = {kTankFilter};
    std::optional<SaveChoice> choice;
    if (SaveDialogService* service = saveDialogService()) {
        choice = service->choose(request);
    } else {
        const QString path = QFileDialog::getSaveFileName(this, QString(), request.fileName, kTankFilter);
        if (!path.isEmpty())
            choice = SaveChoice{path, 0};
    }
    if (!choice)
        return false;
    rememberFileDialogFolder(choice->path);
    QString path = choice->path;
    if (!isTankFile(path))
        path += QLatin1String(kTankSuffix.data());
    return saveTankTo(path);
}

bool TForm1::saveTankTo(const QString& path)
{
    const Tank tank = currentTank();
    if (tank.shape < 0 && !isMeasuredShape(tank.shape)) {
        messages().information(kNoShape);
        return false;
    }
    // a record the reading would refuse is not written: the file could not be opened again
    if (tank.strapping)
        if (const auto fault = checkStrapping(*tank.strapping)) {
            messages().information(fromUtf8(strappingErrorText(*fault)));
            return false;
        }
    const TankDocument document = documentOf(tank);
    const std::string text = tankFileText(document);
    const ExportResult written =
        writeFileAtomically(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    if (!written.ok()) {
        messages().error(written.error().message());
        return false;
    }
    m_tankPath = QFileInfo(path).absoluteFilePath();
    m_savedTank = document;
    rememberRecent(m_tankPath);
    updateTankTitle();
    return true;
}

TankPassport TForm1::tablePassport() const { return printedPassport(m_tank.passport); }

void TForm1::setTablePassport(const TankPassport& passport)
{
    m_tank.passport = passport;
    updateTankTitle();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_running && !droppedTank(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QString path = droppedTank(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // after the drag has ended: the question or an error box must not run inside it
    QTimer::singleShot(0, this, [this, path] { openTank(path); });
}

} // namespace tarvol
