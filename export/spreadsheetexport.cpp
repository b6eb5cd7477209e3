#include "export/spreadsheetexport.h"

namespace tarvol {
namespace {

// The application, its workbook collection (later the active workbook), workbook 1 and its worksheet 1.
// A failed export leaves them holding their objects until the next export replaces them.
AutomationRef ExcelApp;
AutomationRef ExcelBooks;
AutomationRef ExcelBook;
AutomationRef ExcelSheet;

ExportError automationError(const QString& path, const AutomationError& error)
{
    return ExportError{ExportFailure::Automation, path, error.message};
}

std::optional<AutomationError> noObject(const QString& member)
{
    return AutomationError{QStringLiteral("Вызов \"%1\" не вернул объект").arg(member)};
}

// A property read whose result is an object, kept in `into`.
std::optional<AutomationError> fetch(AutomationRef& into, const AutomationRef& from, const QString& member,
                                     const QVariantList& args = {})
{
    AutomationReply reply = from->get(member, args);
    if (!reply.ok())
        return reply.error;
    AutomationRef object = reply.object();
    if (!object)
        return noObject(member);
    into = std::move(object);
    return std::nullopt;
}

std::optional<AutomationError> put(const AutomationRef& on, const QString& member, const QVariant& value)
{
    return on->put(member, value).error;
}

std::optional<AutomationError> invoke(const AutomationRef& on, const QString& member, const QVariantList& args = {})
{
    return on->call(member, args).error;
}

// One cell: a read of "Range" for its address, then a write of "Value".
std::optional<AutomationError> writeCell(AutomationRef& ExcelRange, const QString& address, const QString& text)
{
    if (auto e = fetch(ExcelRange, ExcelSheet, QStringLiteral("Range"), {address}))
        return e;
    return put(ExcelRange, QStringLiteral("Value"), text);
}

std::optional<AutomationError> runSequence(const ExportContent& content, const QString& path,
                                           AutomationFactory& automation, const Progress& progress)
{
    AutomationRef ExcelRange;

    {
        // the reply must not outlive ExcelApp's release at the end
        AutomationReply created = automation.create(kSpreadsheetProgramId);
        if (!created.ok())
            return created.error;
        ExcelApp = created.object();
    }
    if (!ExcelApp)
        return noObject(kSpreadsheetProgramId);
    if (auto e = fetch(ExcelBooks, ExcelApp, QStringLiteral("Workbooks")))
        return e;
    if (auto e = invoke(ExcelBooks, QStringLiteral("Add")))
        return e;
    if (auto e = fetch(ExcelBook, ExcelBooks, QStringLiteral("item"), {1}))
        return e;
    if (auto e = fetch(ExcelSheet, ExcelBook, QStringLiteral("WorkSheets"), {1}))
        return e;
    if (auto e = put(ExcelApp, QStringLiteral("Visible"), 0))
        return e;

    if (auto e = writeCell(ExcelRange, QStringLiteral("A1"), content.shapeName))
        return e;
    for (int k = 1; k <= kDimensionRows; ++k) {
        const DimensionRow& row = content.dimensions[static_cast<size_t>(k - 1)];
        if (!row.visible)
            continue;
        if (auto e = writeCell(ExcelRange, QStringLiteral("A%1").arg(k + 2), dimensionLine(row.caption, row.text)))
            return e;
    }
    if (auto e = writeCell(ExcelRange, QStringLiteral("A12"), QStringLiteral("УРОВЕНЬ")))
        return e;
    if (auto e = writeCell(ExcelRange, QStringLiteral("B12"), QStringLiteral("ОБЪЁМ")))
        return e;

    const int maximum = content.gridRowCount();
    if (progress)
        progress(maximum, 0);
    for (int r = 1; r < maximum; ++r) {
        const GridRow& row = content.rows[static_cast<size_t>(r - 1)];
        if (auto e = writeCell(ExcelRange, QStringLiteral("A%1").arg(r + 12), row.level))
            return e;
        if (auto e = writeCell(ExcelRange, QStringLiteral("B%1").arg(r + 12), row.volume))
            return e;
        if (progress)
            progress(maximum, r);
    }
    if (progress)
        progress(maximum, 0);

    if (auto e = fetch(ExcelBooks, ExcelApp, QStringLiteral("ActiveWorkbook")))
        return e;
    if (auto e = invoke(ExcelBooks, QStringLiteral("SaveAs"), {path}))
        return e;
    if (auto e = put(ExcelApp, QStringLiteral("Visible"), 1))
        return e;

    ExcelSheet.reset();
    ExcelBook.reset();
    ExcelBooks.reset();
    ExcelApp.reset();
    ExcelRange.reset();
    return std::nullopt;
}

} // namespace

ExportResult exportSpreadsheet(const ExportContent& content, const QString& path, AutomationFactory& automation,
                               const Progress& progress)
{
    if (auto error = runSequence(content, path, automation, progress)) {
        // the bar must not stay half-way after a call failed in the row loop
        if (progress)
            progress(content.gridRowCount(), 0);
        return automationError(path, *error);
    }
    return {};
}

} // namespace tarvol
