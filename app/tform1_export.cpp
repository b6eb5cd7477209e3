#include "app/tform1.h"

#include <algorithm>

#include <QDate>
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
#include "calc/catalogue.h"
#include "export/fulltable.h"
#include "export/savedialog.h"
#include "export/spreadsheetexport.h"
#include "export/textexport.h"
#include "ui_tform1.h"

namespace tarvol {
namespace {

const QString kReplaceQuestion = QStringLiteral("Такой файл уже есть! Заменить новым?");
const QString kReplaceCaption = QStringLiteral("Информация");
const QString kTooLongTable =
    QStringLiteral("Таблица не записана: уровни ёмкости доходят до %1 мм, а таблица вмещает уровни не более %2 мм.");
const QString kPassportTitle = QStringLiteral("Паспорт градуировочной таблицы");
const QString kBasisInner = QStringLiteral("Рассчитана по номинальным внутренним размерам ёмкости");
const QString kBasisOuter = QStringLiteral("Рассчитана по наружным размерам и толщине стенки");
const QString kGauge = QStringLiteral("Уровень отсчитывается по уровнемеру на расстоянии %1 мм от нижнего края");

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
    return dialogOf(form, QStringLiteral("TableDialog"), QStringLiteral("tablica.xlsx"),
                    {QStringLiteral("Книга Excel (*.xlsx)"), QStringLiteral("Документ PDF (*.pdf)"),
                     QStringLiteral("Текст CSV (*.csv)")});
}

// What was typed last while the program runs; nothing is kept beyond it.
std::optional<TablePassport>& lastPassport()
{
    static std::optional<TablePassport> passport;
    return passport;
}

std::optional<TablePassport> askPassport(QWidget* parent, const TablePassport& offered)
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
    QLineEdit* number = field(QStringLiteral("Номер ёмкости"), offered.tankNumber);
    QLineEdit* owner = field(QStringLiteral("Владелец / место установки"), offered.owner);
    QLineEdit* author = field(QStringLiteral("Составил"), offered.author);
    QLineEdit* date = field(QStringLiteral("Дата"), offered.date);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &form);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &form, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &form, &QDialog::reject);
    layout->addRow(buttons);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return TablePassport{number->text(), owner->text(), author->text(), date->text()};
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
        box.setDirectory(proposed.isAbsolute() ? proposed.absolutePath()
                                               : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        box.selectFile(proposed.fileName());
        if (box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty())
            choice =
                SaveChoice{box.selectedFiles().front(),
                           static_cast<int>(std::max<qsizetype>(0, dialog.filters.indexOf(box.selectedNameFilter())))};
    }
    if (choice) {
        dialog.fileName = choice->path;
        dialog.filter = choice->filter;
    }
    return choice;
}

// The grid's own separator, so the table prints numbers as the window does.
char decimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    const char16_t c = point.isEmpty() ? u'.' : point.front().unicode();
    return c < 0x80 ? static_cast<char>(c) : '.';
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
    return content;
}

void report(const ExportResult& result)
{
    if (!result.ok())
        messages().error(result.error().message());
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
    const auto k = findShape(selectedShapeName().toStdString());
    if (!k)
        return;
    // the grid's last level is reached by the table, so a certainly too tall tank is refused before anything
    const std::vector<GridRow> rows = gridRows();
    const qint64 lastRow = rows.empty() ? 0 : rows.back().level.toLongLong();
    if (lastRow > kMaxTableLevel) {
        messages().error(kTooLongTable.arg(groupedMillimetres(lastRow), groupedMillimetres(kMaxTableLevel)));
        return;
    }

    TablePassport offered = lastPassport().value_or(TablePassport{});
    if (!lastPassport())
        offered.date = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    const auto passport = askPassport(this, offered);
    if (!passport)
        return;
    lastPassport() = passport;

    RunOptions options;
    options.decimalPlaces = m_decimalPlaces;
    options.separator = decimalSeparator();
    options.keepEveryLevel = true;
    // the same worker, progress dialog and "Отмена" as a calculation
    const RunOutcome run = calculateInBackground(*k, fieldTexts(*k), options);
    if (!run.ok()) {
        if (run.refusal()->kind != RefusalKind::Cancelled)
            messages().information(QString::fromStdString(run.refusal()->message));
        return;
    }
    const qint64 top = static_cast<qint64>(run.result().levelVolumes.size()) - 1;
    if (top > kMaxTableLevel) {
        messages().error(kTooLongTable.arg(groupedMillimetres(top), groupedMillimetres(kMaxTableLevel)));
        return;
    }

    const auto choice = execute(this, TableDialog(this));
    if (!choice)
        return;
    const TableTarget target = tableTarget(choice->path, choice->filter);
    if (QFileInfo::exists(target.path) && !messages().question(kReplaceQuestion, kReplaceCaption))
        return;

    const ShapeInfo& info = shape(*k);
    TableContent table;
    table.passport = *passport;
    table.shapeName = shapeText();
    QString lastValue;
    for (int row = 1; row <= kDimensionRows; ++row)
        if (const DimensionRow d = dimensionRow(row); d.visible) {
            table.dimensions.emplace_back(d.caption, d.text);
            lastValue = d.text;
        }
    table.basis << (info.outerDimensions ? kBasisOuter : kBasisInner);
    if (info.group == Group::Inclined) // their last field is the gauge's distance from the lower end
        table.basis << kGauge.arg(lastValue);
    const QStringList accuracy =
        QString::fromStdString(accuracyReport(*k, run.result().sumVolume, run.result().trueVolume, options.separator))
            .split(QLatin1Char('\n'));
    if (accuracy.size() > 1)
        table.fullVolumeLine = accuracy[1];
    table.decimalPlaces = m_decimalPlaces;
    table.errorLine = QString::fromStdString(run.result().errorLine);
    table.separator = options.separator;
    table.levelVolumes = run.result().levelVolumes;

    if (m_running)
        return;
    const QScopedValueRollback running(m_running, true);
    const ExportResult saved = saveInBackground(
        this,
        [&](const Progress& progress, const std::atomic<bool>* cancel) {
            return exportFullTable(target.path, target.format, table, progress, cancel);
        },
        [this](bool locked) { lockCommands(locked); });
    if (!saved.ok() && saved.error().kind != ExportFailure::Cancelled)
        report(saved);
}

} // namespace tarvol
