#include "app/measuredpanel.h"

#include <cmath>
#include <limits>

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>

#include "app/tform1.h"
#include "calc/format.h"

namespace tarvol {
namespace {

constexpr double kPerMillion = 1e-6;
constexpr int kHeightColumn = 0;
constexpr int kThicknessColumn = 1;
constexpr int kReadingsColumn = 2;

// A number as typed: a point or a comma, a sign, blanks around; NaN for anything else, which the check names.
double typedNumber(QString text)
{
    text = text.trimmed().replace(u',', u'.').replace(u'−', u'-');
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(value) ? value : std::numeric_limits<double>::quiet_NaN();
}

// An optional field: empty keeps the record's default.
double fieldNumber(const QLineEdit* field, double fallback)
{
    return field->text().trimmed().isEmpty() ? fallback : typedNumber(field->text());
}

QString shown(double value)
{
    return std::isfinite(value) ? QString::fromStdString(formatGeneral(value, decimalSeparator())) : QString();
}

QString cellText(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

bool rowEmpty(const QTableWidget* table, int row)
{
    for (int c = 0; c < table->columnCount(); ++c)
        if (!cellText(table, row, c).isEmpty())
            return false;
    return true;
}

void setCell(QTableWidget* table, int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = table->item(row, column))
        item->setText(text);
    else
        table->setItem(row, column, new QTableWidgetItem(text));
}

QTableWidget* newTable(const QStringList& headers, const QString& name, QWidget* parent)
{
    auto* table = new QTableWidget(1, static_cast<int>(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setDefaultSectionSize(20);
    return table;
}

// The rows of a table: a "+" adds one below the current, a "−" takes the current one away, one row always stays.
QWidget* rowButtons(QTableWidget* table, const QString& add, const QString& remove, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* plus = new QPushButton(add, box);
    auto* minus = new QPushButton(remove, box);
    plus->setObjectName(table->objectName() + QStringLiteral("Add"));
    minus->setObjectName(table->objectName() + QStringLiteral("Remove"));
    layout->addWidget(plus);
    layout->addWidget(minus);
    QObject::connect(plus, &QPushButton::clicked, table, [table] {
        const int row = table->currentRow() < 0 ? table->rowCount() : table->currentRow() + 1;
        table->insertRow(row);
        table->setCurrentCell(row, 0);
    });
    QObject::connect(minus, &QPushButton::clicked, table, [table] {
        if (table->rowCount() > 1)
            table->removeRow(table->currentRow() < 0 ? table->rowCount() - 1 : table->currentRow());
    });
    return box;
}

} // namespace

MeasuredPanel::MeasuredPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MeasuredPanel"));
    // the dimension panel's large type would leave no room for the tables
    setStyleSheet(QStringLiteral("QLabel, QLineEdit, QTableWidget, QHeaderView, QPushButton { font-size: 11px; }"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);

    grid->addWidget(new QLabel(QStringLiteral("Пояса снизу вверх; отсчёты через «;»; Ctrl+V — из таблицы"), this), 0, 0,
                    1, 1);
    m_courses =
        newTable({QStringLiteral("Высота, мм"), QStringLiteral("Толщина, мм"), QStringLiteral("Окружность, мм")},
                 QStringLiteral("CourseTable"), this);
    m_courses->setColumnWidth(kHeightColumn, 66);
    m_courses->setColumnWidth(kThicknessColumn, 70);
    grid->addWidget(m_courses, 1, 0, 10, 1);
    grid->addWidget(rowButtons(m_courses, QStringLiteral("Добавить пояс"), QStringLiteral("Удалить пояс"), this), 11,
                    0);

    int row = 0;
    m_tapeCelsius = addField(QStringLiteral("Рулетка, °C"), QStringLiteral("TapeCelsius"), row++, 1);
    m_tapeAlpha = addField(QStringLiteral("α рулетки, 10⁻⁶/°C"), QStringLiteral("TapeAlpha"), row++, 1);
    m_shellCelsius = addField(QStringLiteral("Стенка, °C"), QStringLiteral("ShellCelsius"), row++, 1);
    m_shellAlpha = addField(QStringLiteral("α стенки, 10⁻⁶/°C"), QStringLiteral("ShellAlpha"), row++, 1);
    m_paint = addField(QStringLiteral("Краска, мм"), QStringLiteral("Paint"), row++, 1);
    m_tilt = addField(QStringLiteral("Наклон, мм/м"), QStringLiteral("Tilt"), row++, 1);
    m_uCircumference = addField(QStringLiteral("u длины окружности, мм"), QStringLiteral("UCircumference"), row++, 1);
    m_uThickness = addField(QStringLiteral("u толщины, мм"), QStringLiteral("UThickness"), row++, 1);
    grid->addWidget(new QLabel(QStringLiteral("Днище: радиус и высота, мм"), this), row++, 1, 1, 2);
    m_bottom = newTable({QStringLiteral("Радиус"), QStringLiteral("Высота")}, QStringLiteral("BottomTable"), this);
    grid->addWidget(m_bottom, row, 1, 11 - row, 2);
    grid->addWidget(rowButtons(m_bottom, QStringLiteral("+"), QStringLiteral("−"), this), 11, 1, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(2, 1);

    for (QTableWidget* table : {m_courses, m_bottom}) {
        table->installEventFilter(this);
        connect(table, &QTableWidget::itemChanged, this, &MeasuredPanel::changed);
        connect(table->model(), &QAbstractItemModel::rowsInserted, this, &MeasuredPanel::changed);
        connect(table->model(), &QAbstractItemModel::rowsRemoved, this, &MeasuredPanel::changed);
    }
    clear();
}

QLineEdit* MeasuredPanel::addField(const QString& caption, const QString& name, int row, int column)
{
    auto* layout = static_cast<QGridLayout*>(this->layout());
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setMaximumWidth(80);
    layout->addWidget(new QLabel(caption, this), row, column);
    layout->addWidget(edit, row, column + 1);
    connect(edit, &QLineEdit::textChanged, this, &MeasuredPanel::changed);
    return edit;
}

StrappingRecord MeasuredPanel::record() const
{
    StrappingRecord r;
    for (int row = 0; row < m_courses->rowCount(); ++row) {
        if (rowEmpty(m_courses, row))
            continue; // a row added and left blank is no course
        StrappingCourse c;
        c.height = typedNumber(cellText(m_courses, row, kHeightColumn));
        c.thickness = typedNumber(cellText(m_courses, row, kThicknessColumn));
        for (const QString& reading : cellText(m_courses, row, kReadingsColumn).split(u';', Qt::SkipEmptyParts))
            if (!reading.trimmed().isEmpty())
                c.circumferences.push_back(typedNumber(reading));
        r.courses.push_back(std::move(c));
    }
    for (int row = 0; row < m_bottom->rowCount(); ++row)
        if (!rowEmpty(m_bottom, row))
            r.bottom.push_back({typedNumber(cellText(m_bottom, row, 0)), typedNumber(cellText(m_bottom, row, 1))});
    r.paint = fieldNumber(m_paint, 0);
    r.tapeCelsius = fieldNumber(m_tapeCelsius, kReferenceTemperature);
    r.tapeAlpha = fieldNumber(m_tapeAlpha, kTapeSteelExpansion / kPerMillion) * kPerMillion;
    r.shellCelsius = fieldNumber(m_shellCelsius, kReferenceTemperature);
    r.shellAlpha = fieldNumber(m_shellAlpha, kSteelExpansion / kPerMillion) * kPerMillion;
    r.tiltMmPerM = fieldNumber(m_tilt, 0);
    r.uCircumference = fieldNumber(m_uCircumference, 0);
    r.uThickness = fieldNumber(m_uThickness, 0);
    r.hydrostatic = m_hydrostatic;
    return r;
}

void MeasuredPanel::setRecord(const StrappingRecord& r)
{
    const QSignalBlocker blockCourses(m_courses);
    const QSignalBlocker blockBottom(m_bottom);
    m_courses->clearContents();
    m_courses->setRowCount(std::max<int>(1, static_cast<int>(r.courses.size())));
    for (int row = 0; row < static_cast<int>(r.courses.size()); ++row) {
        const StrappingCourse& c = r.courses[static_cast<std::size_t>(row)];
        QStringList readings;
        for (const double reading : c.circumferences)
            readings << shown(reading);
        setCell(m_courses, row, kHeightColumn, shown(c.height));
        setCell(m_courses, row, kThicknessColumn, shown(c.thickness));
        setCell(m_courses, row, kReadingsColumn, readings.join(QStringLiteral("; ")));
    }
    m_bottom->clearContents();
    m_bottom->setRowCount(std::max<int>(1, static_cast<int>(r.bottom.size())));
    for (int row = 0; row < static_cast<int>(r.bottom.size()); ++row) {
        setCell(m_bottom, row, 0, shown(r.bottom[static_cast<std::size_t>(row)].radius));
        setCell(m_bottom, row, 1, shown(r.bottom[static_cast<std::size_t>(row)].height));
    }
    m_paint->setText(shown(r.paint));
    m_tapeCelsius->setText(shown(r.tapeCelsius));
    m_tapeAlpha->setText(shown(r.tapeAlpha / kPerMillion));
    m_shellCelsius->setText(shown(r.shellCelsius));
    m_shellAlpha->setText(shown(r.shellAlpha / kPerMillion));
    m_tilt->setText(shown(r.tiltMmPerM));
    m_uCircumference->setText(shown(r.uCircumference));
    m_uThickness->setText(shown(r.uThickness));
    m_hydrostatic = r.hydrostatic;
    emit changed();
}

void MeasuredPanel::clear() { setRecord(StrappingRecord{}); }

void MeasuredPanel::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    const auto triggers = readOnly ? QAbstractItemView::NoEditTriggers : QAbstractItemView::AllEditTriggers;
    for (QTableWidget* table : {m_courses, m_bottom})
        table->setEditTriggers(triggers);
    for (QLineEdit* field :
         {m_paint, m_tapeCelsius, m_tapeAlpha, m_shellCelsius, m_shellAlpha, m_tilt, m_uCircumference, m_uThickness})
        field->setReadOnly(readOnly);
    for (auto* button : findChildren<QPushButton*>())
        button->setEnabled(!readOnly);
}

void MeasuredPanel::pasteRows(QTableWidget* table, const QString& text)
{
    // what a clipboard holds is bounded by no one: rows past a bottom survey's largest are left out
    constexpr int kMaxRows = static_cast<int>(kMaxBottomPoints);
    const int firstRow = std::max(0, table->currentRow());
    const int firstColumn = std::max(0, table->currentColumn());
    QStringList lines = text.split(u'\n');
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast(); // a spreadsheet ends its copy with a line break
    for (qsizetype i = 0; i < lines.size() && firstRow + i < kMaxRows; ++i) {
        const int row = firstRow + static_cast<int>(i);
        if (row >= table->rowCount())
            table->insertRow(row);
        const QStringList cells = lines[i].split(u'\t');
        for (qsizetype j = 0; j < cells.size() && firstColumn + j < table->columnCount(); ++j)
            setCell(table, row, firstColumn + static_cast<int>(j), cells[j].trimmed());
    }
}

bool MeasuredPanel::eventFilter(QObject* watched, QEvent* event)
{
    auto* table = qobject_cast<QTableWidget*>(watched);
    if (table && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        if (!m_readOnly)
            pasteRows(table, QApplication::clipboard()->text());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tarvol
