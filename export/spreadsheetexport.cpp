#include "export/spreadsheetexport.h"

namespace tarvol {
namespace {

// The application, its workbook collection (later the active workbook), workbook 1 and its worksheet 1.
// A failed export leaves them holding their objects until the next export replaces them.
AutomationRef ExcelApp;
AutomationRef ExcelBooks;
AutomationRef ExcelBook;
AutomationRef ExcelSheet;

// One automation call done, or why it failed.
using AutomationStep = expected<void, AutomationError>;

ExportError automationError(const QString& path, const AutomationError& error)
{
    return ExportError{ExportFailure::Automation, path, error.message};
}

AutomationStep noObject(const QString& member)
{
    return unexpected<AutomationError>(AutomationError{QStringLiteral("Вызов \"%1\" не вернул объект").arg(member)});
}

AutomationStep stepOf(const AutomationReply& reply)
{
    if (!reply.ok())
        return unexpected<AutomationError>(reply.error());
    return {};
}

// A property read whose result is an object, kept in `into`.
AutomationStep fetch(AutomationRef& into, const AutomationRef& from, const QString& member,
                     const QVariantList& args = {})
{
    AutomationReply reply = from->get(member, args);
    if (!reply.ok())
        return stepOf(reply);
    AutomationRef object = reply.object();
    if (!object)
        return noObject(member);
    into = std::move(object);
    return {};
}

AutomationStep put(const AutomationRef& on, const QString& member, const QVariant& value)
{
    return stepOf(on->put(member, value));
}

AutomationStep invoke(const AutomationRef& on, const QString& member, const QVariantList& args = {})
{
    return stepOf(on->call(member, args));
}

// One cell: a read of "Range" for its address, then a write of "Value".
AutomationStep writeCell(AutomationRef& ExcelRange, const QString& address, const QString& text)
{
    if (auto step = fetch(ExcelRange, ExcelSheet, QStringLiteral("Range"), {address}); !step)
        return step;
    return put(ExcelRange, QStringLiteral("Value"), text);
}

AutomationStep runSequence(const ExportContent& content, const QString& path, AutomationFactory& automation,
                           const Progress& progress)
{
    AutomationRef ExcelRange;

    {
        // the reply must not outlive ExcelApp's release at the end
        AutomationReply created = automation.create(kSpreadsheetProgramId);
        if (!created.ok())
            return stepOf(created);
        ExcelApp = created.object();
    }
    if (!ExcelApp)
        return noObject(kSpreadsheetProgramId);
    if (auto step = fetch(ExcelBooks, ExcelApp, QStringLiteral("Workbooks")); !step)
        return step;
    if (auto step = invoke(ExcelBooks, QStringLiteral("Add")); !step)
        return step;
    if (auto step = fetch(ExcelBook, ExcelBooks, QStringLiteral("item"), {1}); !step)
        return step;
    if (auto step = fetch(ExcelSheet, ExcelBook, QStringLiteral("WorkSheets"), {1}); !step)
        return step;
    if (auto step = put(ExcelApp, QStringLiteral("Visible"), 0); !step)
        return step;

    if (auto step = writeCell(ExcelRange, QStringLiteral("A1"), content.shapeName); !step)
        return step;
    for (int k = 1; k <= kDimensionRows; ++k) {
        const DimensionRow& row = content.dimensions[static_cast<size_t>(k - 1)];
        if (!row.visible)
            continue;
        if (auto step = writeCell(ExcelRange, QStringLiteral("A%1").arg(k + 2), dimensionLine(row.caption, row.text));
            !step)
            return step;
    }
    // the row between the dimensions (rows 3 to 10) and the heading
    if (!content.notes.isEmpty())
        if (auto step = writeCell(ExcelRange, QStringLiteral("A11"), content.notes.join(QLatin1Char(' '))); !step)
            return step;
    if (auto step = writeCell(ExcelRange, QStringLiteral("A12"), QStringLiteral("УРОВЕНЬ")); !step)
        return step;
    if (auto step = writeCell(ExcelRange, QStringLiteral("B12"), QStringLiteral("ОБЪЁМ")); !step)
        return step;

    const int maximum = content.gridRowCount();
    if (progress)
        progress(maximum, 0);
    for (int r = 1; r < maximum; ++r) {
        const GridRow& row = content.rows[static_cast<size_t>(r - 1)];
        if (auto step = writeCell(ExcelRange, QStringLiteral("A%1").arg(r + 12), row.level); !step)
            return step;
        if (auto step = writeCell(ExcelRange, QStringLiteral("B%1").arg(r + 12), row.volume); !step)
            return step;
        if (progress)
            progress(maximum, r);
    }
    if (progress)
        progress(maximum, 0);

    if (auto step = fetch(ExcelBooks, ExcelApp, QStringLiteral("ActiveWorkbook")); !step)
        return step;
    if (auto step = invoke(ExcelBooks, QStringLiteral("SaveAs"), {path}); !step)
        return step;
    if (auto step = put(ExcelApp, QStringLiteral("Visible"), 1); !step)
        return step;

    ExcelSheet.reset();
    ExcelBook.reset();
    ExcelBooks.reset();
    ExcelApp.reset();
    ExcelRange.reset();
    return {};
}

} // namespace

ExportResult exportSpreadsheet(const ExportContent& content, const QString& path, AutomationFactory& automation,
                               const Progress& progress)
{
    if (auto done = runSequence(content, path, automation, progress); !done) {
        // the bar must not stay half-way after a call failed in the row loop
        if (progress)
            progress(content.gridRowCount(), 0);
        return automationError(path, done.error());
    }
    return {};
}

} // namespace tarvol
