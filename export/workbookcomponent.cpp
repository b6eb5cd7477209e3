#include "export/workbookcomponent.h"

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include <QRegularExpression>

#include "export/atomicfile.h"
#include "export/fileopener.h"
#include "export/xlsxfile.h"

namespace tarvol {
namespace {

struct Sheet {
    QString name;
    std::map<std::pair<int, int>, QVariant> cells; // keyed (row, column), 0-based
};

struct Book {
    std::vector<Sheet> sheets;
    QString savedPath;
};

struct Application {
    std::vector<std::shared_ptr<Book>> books;
    std::shared_ptr<Book> active;
    bool visible = false;
};

bool is(const QString& member, const char* name)
{
    return member.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

std::optional<int> integerArgument(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toInt();
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Double:
        if (const double d = value.toDouble(); std::fabs(d) < 1e9 && d == std::trunc(d))
            return static_cast<int>(d);
        return {};
    default:
        return {};
    }
}

// "A1" or "$A$1"; rows and columns within the sheet's limits.
std::optional<std::pair<int, int>> cellAddress(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\$?([A-Za-z]{1,3})\\$?([0-9]{1,7})$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return {};
    int column = 0;
    for (QChar c : m.captured(1).toUpper())
        column = column * 26 + (c.unicode() - 'A' + 1);
    const int row = m.captured(2).toInt();
    if (row < 1 || row > LXW_ROW_MAX || column > LXW_COL_MAX)
        return {};
    return std::pair{row - 1, column - 1};
}

AutomationReply unknown(const QString& member) { return AutomationReply::fail(unknownMemberMessage(member)); }

AutomationReply badArguments(const QString& member) { return AutomationReply::fail(badArgumentsMessage(member)); }

// A text that is a plain number, "1000" or "523,599" (either separator), and its count of decimals.
std::optional<std::pair<double, int>> plainNumber(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^-?[0-9]{1,15}(?:[.,]([0-9]{1,15}))?$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return {};
    return std::pair{QString(text).replace(u',', u'.').toDouble(), static_cast<int>(m.capturedLength(1))};
}

ExportResult writeCells(lxw_workbook* workbook, const Book& book, const QString& path)
{
    // a spreadsheet program reads a typed number as a number; the format keeps the decimals the text showed
    std::map<int, lxw_format*> decimalFormats;
    const auto showing = [&](int decimals) {
        lxw_format*& format = decimalFormats[decimals];
        if (!format) {
            format = workbook_add_format(workbook);
            const QString code = decimals == 0 ? QStringLiteral("0") : QStringLiteral("0.") + QString(decimals, u'0');
            format_set_num_format(format, code.toUtf8().constData());
        }
        return format;
    };
    for (const Sheet& sheet : book.sheets) {
        lxw_worksheet* ws = workbook_add_worksheet(workbook, sheet.name.toUtf8().constData());
        if (!ws)
            return writeError(path, QStringLiteral("не удаётся добавить лист \"%1\"").arg(sheet.name));
        for (const auto& [at, value] : sheet.cells) {
            const auto row = static_cast<lxw_row_t>(at.first);
            const auto col = static_cast<lxw_col_t>(at.second);
            lxw_error e = LXW_NO_ERROR;
            switch (value.typeId()) {
            case QMetaType::Double:
            case QMetaType::Float:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
                e = worksheet_write_number(ws, row, col, value.toDouble(), nullptr);
                break;
            case QMetaType::Bool:
                e = worksheet_write_boolean(ws, row, col, value.toBool(), nullptr);
                break;
            default:
                if (const auto number = plainNumber(value.toString()))
                    e = worksheet_write_number(ws, row, col, number->first, showing(number->second));
                else
                    e = worksheet_write_string(ws, row, col, value.toString().toUtf8().constData(), nullptr);
                break;
            }
            if (e != LXW_NO_ERROR)
                return writeError(path, xlsxErrorText(e));
        }
    }
    return {};
}

class RangeObject final : public AutomationObject {
public:
    RangeObject(std::shared_ptr<Book> book, size_t sheet, std::pair<int, int> cell)
        : m_book(std::move(book)), m_sheet(sheet), m_cell(cell)
    {}

    AutomationReply get(const QString& member, const QVariantList&) override { return unknown(member); }

    AutomationReply put(const QString& member, const QVariant& value) override
    {
        if (!is(member, "Value"))
            return unknown(member);
        auto& cells = m_book->sheets[m_sheet].cells;
        if (value.isNull())
            cells.erase(m_cell);
        else
            cells[m_cell] = value;
        return {};
    }

    AutomationReply call(const QString& member, const QVariantList&) override { return unknown(member); }

private:
    std::shared_ptr<Book> m_book;
    size_t m_sheet;
    std::pair<int, int> m_cell;
};

class WorksheetObject final : public AutomationObject {
public:
    WorksheetObject(std::shared_ptr<Book> book, size_t sheet) : m_book(std::move(book)), m_sheet(sheet) {}

    AutomationReply get(const QString& member, const QVariantList& args) override
    {
        if (!is(member, "Range"))
            return unknown(member);
        if (args.size() != 1 || args[0].typeId() != QMetaType::QString)
            return badArguments(member);
        const auto cell = cellAddress(args[0].toString());
        if (!cell)
            return AutomationReply::fail(QStringLiteral("Недопустимый адрес ячейки: \"%1\"").arg(args[0].toString()));
        return AutomationReply::of(std::make_shared<RangeObject>(m_book, m_sheet, *cell));
    }

    AutomationReply put(const QString& member, const QVariant&) override { return unknown(member); }
    AutomationReply call(const QString& member, const QVariantList&) override { return unknown(member); }

private:
    std::shared_ptr<Book> m_book;
    size_t m_sheet;
};

class WorkbookObject final : public AutomationObject {
public:
    explicit WorkbookObject(std::shared_ptr<Book> book) : m_book(std::move(book)) {}

    AutomationReply get(const QString& member, const QVariantList& args) override
    {
        if (!is(member, "WorkSheets"))
            return unknown(member);
        const auto index = args.size() == 1 ? integerArgument(args[0]) : std::nullopt;
        if (!index)
            return badArguments(member);
        if (*index < 1 || *index > static_cast<int>(m_book->sheets.size()))
            return AutomationReply::fail(QStringLiteral("Индекс листа вне допустимого диапазона: %1").arg(*index));
        return AutomationReply::of(std::make_shared<WorksheetObject>(m_book, static_cast<size_t>(*index - 1)));
    }

    AutomationReply put(const QString& member, const QVariant&) override { return unknown(member); }

    AutomationReply call(const QString& member, const QVariantList& args) override
    {
        if (!is(member, "SaveAs"))
            return unknown(member);
        if (args.size() != 1 || args[0].typeId() != QMetaType::QString)
            return badArguments(member);
        const QString path = args[0].toString();
        const Book& book = *m_book;
        const ExportResult saved =
            saveXlsx(path, false, [&](lxw_workbook* workbook) { return writeCells(workbook, book, path); });
        if (!saved.ok())
            return AutomationReply::fail(saved.error().message());
        m_book->savedPath = path;
        return {};
    }

private:
    std::shared_ptr<Book> m_book;
};

class WorkbooksObject final : public AutomationObject {
public:
    explicit WorkbooksObject(std::shared_ptr<Application> app) : m_app(std::move(app)) {}

    AutomationReply get(const QString& member, const QVariantList& args) override
    {
        if (!is(member, "item"))
            return unknown(member);
        const auto index = args.size() == 1 ? integerArgument(args[0]) : std::nullopt;
        if (!index)
            return badArguments(member);
        if (*index < 1 || *index > static_cast<int>(m_app->books.size()))
            return AutomationReply::fail(QStringLiteral("Индекс книги вне допустимого диапазона: %1").arg(*index));
        return AutomationReply::of(std::make_shared<WorkbookObject>(m_app->books[static_cast<size_t>(*index - 1)]));
    }

    AutomationReply put(const QString& member, const QVariant&) override { return unknown(member); }

    AutomationReply call(const QString& member, const QVariantList& args) override
    {
        if (!is(member, "Add"))
            return unknown(member);
        if (!args.isEmpty())
            return badArguments(member);
        auto book = std::make_shared<Book>();
        book->sheets.push_back(Sheet{QStringLiteral("Лист1"), {}});
        m_app->books.push_back(book);
        m_app->active = book;
        return AutomationReply::of(std::make_shared<WorkbookObject>(std::move(book)));
    }

private:
    std::shared_ptr<Application> m_app;
};

class ApplicationObject final : public AutomationObject {
public:
    ApplicationObject() : m_app(std::make_shared<Application>()) {}

    AutomationReply get(const QString& member, const QVariantList& args) override
    {
        if (!args.isEmpty())
            return badArguments(member);
        if (is(member, "Workbooks"))
            return AutomationReply::of(std::make_shared<WorkbooksObject>(m_app));
        if (is(member, "ActiveWorkbook")) {
            if (!m_app->active)
                return AutomationReply::fail(QStringLiteral("Нет открытой книги"));
            return AutomationReply::of(std::make_shared<WorkbookObject>(m_app->active));
        }
        return unknown(member);
    }

    AutomationReply put(const QString& member, const QVariant& value) override
    {
        if (!is(member, "Visible"))
            return unknown(member);
        const auto flag = integerArgument(value);
        if (!flag)
            return badArguments(member);
        m_app->visible = *flag != 0;
        // becoming visible means showing the user the workbook, which here lives in the saved file
        if (m_app->visible && m_app->active && !m_app->active->savedPath.isEmpty())
            fileOpener().open(m_app->active->savedPath);
        return {};
    }

    AutomationReply call(const QString& member, const QVariantList&) override { return unknown(member); }

private:
    std::shared_ptr<Application> m_app;
};

} // namespace

AutomationRef makeWorkbookApplication() { return std::make_shared<ApplicationObject>(); }

} // namespace tarvol
