#include "app/tform1.h"

#include <algorithm>

#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QProgressBar>
#include <QStandardPaths>

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
const QString kTooLongTable = QStringLiteral("Таблица с уровнем до %1 мм длиннее наибольшей в %2 строк.");

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
    return dialogOf(form, QStringLiteral("SaveDialog1"), QStringLiteral("emkost.xls"),
                    {QStringLiteral("Excel (*.xls)")});
}

SaveDialog& SaveDialog2(QObject* form)
{
    return dialogOf(form, QStringLiteral("SaveDialog2"), QStringLiteral("emkost.txt"),
                    {QStringLiteral("Текстовые документы (*.txt)")});
}

SaveDialog& TableDialog(QObject* form)
{
    return dialogOf(form, QStringLiteral("TableDialog"), QStringLiteral("tablica.xlsx"),
                    {QStringLiteral("Книга Excel (*.xlsx)"), QStringLiteral("Документ PDF (*.pdf)")});
}

const char* const kTableSuffixes[] = {".xlsx", ".pdf"};

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
    const auto choice = execute(this, TableDialog(this));
    if (!choice)
        return;
    const int filter = std::clamp(choice->filter, 0, 1);
    QString path = choice->path;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1String(kTableSuffixes[filter]);

    // the grid's last level and one step bound the top before a million-level run is started
    const std::vector<GridRow> rows = gridRows();
    const double topBound = (rows.empty() ? 0 : rows.back().level.toDouble()) + m_outputStep;
    if (topBound / 10 + 1 > kMaxTableRows) {
        messages().error(kTooLongTable.arg(topBound).arg(kMaxTableRows));
        return;
    }

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

    TableContent table;
    table.shapeName = shapeText();
    for (int row = 1; row <= kDimensionRows; ++row)
        if (const DimensionRow d = dimensionRow(row); d.visible)
            table.dimensions.emplace_back(d.caption, d.text);
    table.decimalPlaces = m_decimalPlaces;
    table.errorLine = QString::fromStdString(run.result().errorLine);
    table.separator = options.separator;
    table.levelVolumes = run.result().levelVolumes;
    report(exportFullTable(path, filter == 1 ? TableFormat::Pdf : TableFormat::Xlsx, table,
                           barProgress(m_ui->ProgressBar1)));
}

} // namespace tarvol
