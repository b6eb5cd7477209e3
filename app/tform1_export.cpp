#include "app/tform1.h"

#include <algorithm>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStandardPaths>

#include "app/backgroundrun.h"
#include "app/messages.h"
#include "app/sensordialog.h"
#include "calc/catalogue.h"
#include "export/atomicfile.h"
#include "export/fulltable.h"
#include "export/savedialog.h"
#include "export/spreadsheetexport.h"
#include "export/textexport.h"
#include "sensor/formats.h"
#include "sensor/settings.h"
#include "tank/tankfile.h"

#include "ui_tform1.h"

namespace tarvol {
namespace {

const QString kReplaceQuestion = QStringLiteral("Такой файл уже есть! Заменить новым?");
const QString kReplaceCaption = QStringLiteral("Информация");
const QString kTooLongTable =
    QStringLiteral("Таблица не записана: уровни ёмкости доходят до %1 мм, а таблица вмещает уровни не более %2 мм.");
const QString kPassportTitle = QStringLiteral("Паспорт градуировочной таблицы");

// A save dialog of the window, kept as its child so the last chosen path lives as long as the window.
class SaveDialog final : public QObject {
public:
    SaveDialog(QObject* owner, const QString& name, QString proposal, QStringList filterList)
        : QObject(owner), fileName(std::move(proposal)), filters(std::move(filterList))
    {
        setObjectName(name);
    }

    QString fileName;
    QStringList filters;
    int filter = 0;
};

SaveDialog& dialogOf(QObject* form, const QString& name, const QString& proposal, const QStringList& filters)
{
    if (auto* dialog = dynamic_cast<SaveDialog*>(form->findChild<QObject*>(name, Qt::FindDirectChildrenOnly)))
        return *dialog;
    return *new SaveDialog(form, name, proposal, filters);
}

SaveDialog& SaveDialog1(QObject* form)
{
    // the component writes Office Open XML, so the name says so
    return dialogOf(form, QStringLiteral("SaveDialog1"), QStringLiteral("emkost.xlsx"),
                    {QStringLiteral("Excel (*.xlsx)")});
}

SaveDialog& SaveDialog2(QObject* form)
{
    return dialogOf(form, QStringLiteral("SaveDialog2"), QStringLiteral("emkost.txt"),
                    {QStringLiteral("Текстовые документы (*.txt)")});
}

SaveDialog& TableDialog(QObject* form)
{
    return dialogOf(form, QStringLiteral("TableDialog"), QStringLiteral("tablica.xlsx"), tableFormatFilters());
}

QStringList sensorFilters()
{
    QStringList filters;
    for (const auto& format : sensor::formats())
        filters << QString::fromUtf8(format.filter.data(), static_cast<qsizetype>(format.filter.size()));
    return filters;
}

SaveDialog& SensorSaveDialog(QObject* form)
{
    return dialogOf(form, QStringLiteral("SensorSaveDialog"), QStringLiteral("datchik.csv"), sensorFilters());
}

std::optional<TankPassport> askPassport(QWidget* parent, const TankPassport& offered)
{
    if (SaveDialogService* service = saveDialogService())
        return service->passport(offered);
    QDialog form(parent);
    form.setWindowTitle(kPassportTitle);
    auto* layout = new QFormLayout(&form);
    auto field = [&](const QString& label, const QString& text) {
        auto* edit = new QLineEdit(text, &form);
        edit->setMinimumWidth(320);
        layout->addRow(label, edit);
        return edit;
    };
    QLineEdit* organisation = field(QStringLiteral("Организация"), QString::fromStdString(offered.organisation));
    QLineEdit* number = field(QStringLiteral("Номер ёмкости"), QString::fromStdString(offered.tankNumber));
    QLineEdit* owner = field(QStringLiteral("Владелец / место установки"), QString::fromStdString(offered.owner));
    QLineEdit* author = field(QStringLiteral("Составил"), QString::fromStdString(offered.author));
    QLineEdit* date = field(QStringLiteral("Дата"), QString::fromStdString(offered.date));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &form);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &form, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &form, &QDialog::reject);
    layout->addRow(buttons);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return TankPassport{number->text().toStdString(), owner->text().toStdString(), author->text().toStdString(),
                        date->text().toStdString(), organisation->text().toStdString()};
}

// "9 999 999": whole millimetres in groups of three, never in exponent form.
QString groupedMillimetres(qint64 value)
{
    QString digits = QString::number(value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return digits;
}

// The dialog neither asks about overwriting nor adds an extension: a name is used as typed.
std::optional<SaveChoice> execute(QWidget* parent, SaveDialog& dialog)
{
    std::optional<SaveChoice> choice;
    const SaveRequest request{dialog.fileName, dialog.filters, dialog.filter};
    if (SaveDialogService* service = saveDialogService()) {
        choice = service->choose(request);
    } else {
        QFileDialog box(parent);
        box.setAcceptMode(QFileDialog::AcceptSave);
        box.setOption(QFileDialog::DontConfirmOverwrite);
        box.setNameFilters(dialog.filters);
        box.selectNameFilter(dialog.filters.value(dialog.filter));
        const QFileInfo proposed(dialog.fileName);
        box.setDirectory(fileDialogFolder());
        box.selectFile(proposed.fileName());
        if (box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty())
            choice =
                SaveChoice{box.selectedFiles().front(),
                           static_cast<int>(std::max<qsizetype>(0, dialog.filters.indexOf(box.selectedNameFilter())))};
    }
    if (choice) {
        dialog.fileName = choice->path;
        dialog.filter = choice->filter;
        rememberFileDialogFolder(choice->path);
    }
    return choice;
}

Progress barProgress(QProgressBar* bar)
{
    return [bar](int maximum, int position) {
        bar->setMaximum(maximum);
        bar->setValue(position);
    };
}

ExportContent shownContent(const TForm1& form)
{
    ExportContent content;
    content.shapeName = form.shapeText();
    for (int k = 1; k <= kDimensionRows; ++k)
        content.dimensions[static_cast<size_t>(k - 1)] = form.dimensionRow(k);
    content.rows = form.gridRows();
    if (const auto& table = form.shownTable()) {
        if (!table->fitLine.empty())
            content.notes << QString::fromStdString(table->fitLine);
        for (const std::string& line : table->orientationLines)
            content.notes << QString::fromStdString(line);
        for (const std::string& line : table->recordLines)
            content.notes << QString::fromStdString(line);
        if (!table->gaugeLine.empty())
            content.notes << QString::fromStdString(table->gaugeLine);
        if (table->shellChanged)
            content.notes << QString::fromStdString(table->shellLine);
        for (const std::string& line : table->deadwoodLines)
            content.notes << QString::fromStdString(line);
    }
    return content;
}

// The folder every file dialog of the window starts in: the one last used, else the documents folder.
QString& lastFileDialogFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString fileDialogFolder()
{
    const QString& last = lastFileDialogFolder();
    return last.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) : last;
}

void rememberFileDialogFolder(const QString& path)
{
    const QFileInfo chosen(path);
    if (chosen.isAbsolute())
        lastFileDialogFolder() = chosen.absolutePath();
}

namespace {

// A failed save is shown; a cancelled one was the user's own choice.
void report(const ExportResult& result)
{
    if (!result.ok() && !result.cancelled())
        messages().error(result.error().message());
}

// A table taller than the formats hold is refused before anything is asked or computed.
bool tableFits(qint64 top)
{
    if (top <= kMaxTableLevel)
        return true;
    messages().error(kTooLongTable.arg(groupedMillimetres(top), groupedMillimetres(kMaxTableLevel)));
    return false;
}

} // namespace

void TForm1::D1Click()
{
    const auto choice = execute(this, SaveDialog2(this));
    if (!choice)
        return;
    if (QFileInfo::exists(choice->path) && !messages().question(kReplaceQuestion, kReplaceCaption))
        return;
    // no empty file beforehand: a write that fails must leave nothing behind
    TxtClick();
}

void TForm1::TxtClick()
{
    report(exportText(SaveDialog2(this).fileName, shownContent(*this), barProgress(m_ui->ProgressBar1)));
}

void TForm1::N8Click()
{
    const auto choice = execute(this, SaveDialog1(this));
    if (!choice)
        return;
    report(exportSpreadsheet(shownContent(*this), choice->path, automationRegistry(), barProgress(m_ui->ProgressBar1)));
}

void TForm1::N9Click()
{
    // the document formats the table of the run the grid shows, every level of which it kept
    if (!m_table)
        return;
    if (m_table->levelVolumes.empty()) {
        tableFits(static_cast<qint64>(m_table->highest));
        return;
    }
    // the passport belongs to the tank: its file keeps it, and another tank starts without it
    const TankPassport offered = tablePassport();
    const auto passport = askPassport(this, offered);
    if (!passport)
        return;
    if (*passport != offered) // a passport accepted as offered leaves the tank unchanged, today's date included
        setTablePassport(*passport);
    const auto choice = execute(this, TableDialog(this));
    if (!choice)
        return;
    const TableTarget target = tableTarget(choice->path, choice->filter);
    if ((QFileInfo::exists(target.path) && !messages().question(kReplaceQuestion, kReplaceCaption)) || m_running)
        return;
    const TableContent table = fullTableDocument(*m_table, *passport);
    const QScopedValueRollback running(m_running, true);
    report(saveInBackground(
        this,
        [&](const Progress& progress, const std::atomic<bool>* cancel) {
            return exportFullTable(target.path, target.format, table, progress, cancel);
        },
        [this](bool locked) { lockCommands(locked); }));
}

void TForm1::N10Click()
{
    // the sensor reads the table the grid shows, by the gauge's reading and at the shell's temperature
    if (!m_table)
        return;
    if (m_table->levelVolumes.empty()) {
        tableFits(static_cast<qint64>(m_table->highest));
        return;
    }
    auto volumes = std::make_shared<const std::vector<double>>(m_table->levelVolumes);
    const int decimals = m_table->decimals;

    SensorDialog dialog(volumes, decimals, m_tank.sensor.value_or(sensor::Settings{}), this,
                        QString::fromStdString(m_table->gaugeLine));
    if (dialog.exec() != QDialog::Accepted)
        return; // a cancelled dialog leaves the tank as it was
    sensor::Settings settings = dialog.settings();
    m_tank.sensor = settings;
    updateTankTitle();
    // the save waits for the settings on screen, never an earlier outcome
    SensorOutcome shown = dialog.computing() ? computeSensor(*volumes, decimals, dialog.settings()) : dialog.outcome();
    if (!shown.table) {
        messages().error(shown.refusal);
        return;
    }

    SaveDialog& saveDialog = SensorSaveDialog(this);
    if (const auto* format = sensor::findFormat(settings.format))
        saveDialog.filter = static_cast<int>(format - sensor::formats().data());
    const auto choice = execute(this, saveDialog);
    if (!choice)
        return;
    // the name's own suffix decides the format, as for the full table; a name without one gets the filter's
    const auto [path, format] = sensorTarget(choice->path, choice->filter);
    settings.format = std::string(format->key);
    m_tank.sensor = settings;
    updateTankTitle();
    if (QFileInfo::exists(path) && !messages().question(kReplaceQuestion, kReplaceCaption))
        return;
    const std::string text = format->write(*shown.table, shown.points);
    report(writeFileAtomically(path, QByteArray::fromStdString(text)));
}

} // namespace tarvol
