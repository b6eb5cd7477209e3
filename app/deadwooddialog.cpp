#include "app/deadwooddialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/messages.h"
#include "calc/format.h"
#include "tank/atomicwrite.h"

namespace tarvol {
namespace {

const QString kTitle = QStringLiteral("Внутренние детали и понтон");
const QString kIntro =
    QStringLiteral("Детали внутри ёмкости вычитаются из объёма на своих уровнях, снаружи (люки, патрубки, приямки) — "
                   "прибавляются. Уровни — от дна ёмкости, мм; объём — л; u — стандартная неопределённость объёма.");
const QStringList kColumns = {QStringLiteral("Название"), QStringLiteral("От, мм"),        QStringLiteral("До, мм"),
                              QStringLiteral("Объём, л"), QStringLiteral("Распределение"), QStringLiteral("Снаружи"),
                              QStringLiteral("u, л")};
enum Column { Name, From, To, Volume, SpreadColumn, Outside, Standard };
const QString kFilter = QStringLiteral("Список деталей CSV (*.csv);;Все файлы (*)");

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
QString shown(double v) { return fromUtf8(formatGeneral(v, ',')); }

QLineEdit* numberField(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

DeadwoodDialog::DeadwoodDialog(const Deadwood& current, QWidget* parent) : QDialog(parent), m_deadwood(current)
{
    setObjectName(QStringLiteral("DeadwoodDialog"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(kIntro, this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* caption = new QLabel(QStringLiteral("&Детали:"), this);
    layout->addWidget(caption);
    m_items = new QTableWidget(0, static_cast<int>(kColumns.size()), this);
    m_items->setObjectName(QStringLiteral("items"));
    m_items->setHorizontalHeaderLabels(kColumns);
    m_items->horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);
    m_items->setMinimumHeight(160);
    caption->setBuddy(m_items);
    layout->addWidget(m_items, 1);

    auto* rowButtons = new QHBoxLayout;
    const auto button = [&](const QString& text, const QString& name, auto slot) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        rowButtons->addWidget(b);
        return b;
    };
    button(QStringLiteral("Доб&авить"), QStringLiteral("addItem"), [this] {
        addRow(DeadwoodItem{});
        m_items->setCurrentCell(m_items->rowCount() - 1, Name);
        m_items->editItem(m_items->item(m_items->rowCount() - 1, Name));
    });
    button(QStringLiteral("&Удалить"), QStringLiteral("removeItem"), [this] {
        if (const int row = m_items->currentRow(); row >= 0)
            m_items->removeRow(row);
    });
    rowButtons->addStretch(1);
    button(QStringLiteral("&Импорт CSV…"), QStringLiteral("importItems"), [this] { importCommand(); });
    button(QStringLiteral("&Экспорт CSV…"), QStringLiteral("exportItems"), [this] { exportCommand(); });
    layout->addLayout(rowButtons);

    m_roof = new QGroupBox(QStringLiteral("&Понтон (плавающая крыша)"), this);
    m_roof->setObjectName(QStringLiteral("roof"));
    m_roof->setCheckable(true);
    auto* roofForm = new QFormLayout(m_roof);
    m_mass = numberField(QStringLiteral("roofMass"), m_roof);
    m_density = numberField(QStringLiteral("roofDensity"), m_roof);
    m_zoneFrom = numberField(QStringLiteral("roofZoneFrom"), m_roof);
    m_zoneTo = numberField(QStringLiteral("roofZoneTo"), m_roof);
    roofForm->addRow(QStringLiteral("&Масса, кг"), m_mass);
    roofForm->addRow(QStringLiteral("Пло&тность продукта, кг/м³"), m_density);
    roofForm->addRow(QStringLiteral("Зона посадки на опоры &от, мм"), m_zoneFrom);
    roofForm->addRow(QStringLiteral("&Зона посадки до, мм"), m_zoneTo);
    layout->addWidget(m_roof);

    m_problem = problemLabel(this);
    layout->addWidget(m_problem);
    QDialogButtonBox* buttons = okCancelButtons(this);
    layout->addWidget(buttons);

    showItems(current.items);
    m_roof->setChecked(current.roof.has_value());
    if (current.roof) {
        m_mass->setText(shown(current.roof->massKg));
        m_density->setText(shown(current.roof->density));
        m_zoneFrom->setText(shown(current.roof->zoneFrom));
        m_zoneTo->setText(shown(current.roof->zoneTo));
    }
    resize(760, 520);
}

void DeadwoodDialog::addRow(const DeadwoodItem& item)
{
    const int row = m_items->rowCount();
    m_items->insertRow(row);
    const bool blank = item == DeadwoodItem{};
    m_items->setItem(row, Name, new QTableWidgetItem(fromUtf8(item.name)));
    m_items->setItem(row, From, new QTableWidgetItem(blank ? QString() : shown(item.from)));
    m_items->setItem(row, To, new QTableWidgetItem(blank ? QString() : shown(item.to)));
    m_items->setItem(row, Volume, new QTableWidgetItem(blank ? QString() : shown(item.litres)));
    m_items->setItem(row, Standard, new QTableWidgetItem(item.standard ? shown(*item.standard) : QString()));
    auto* spread = new QComboBox(m_items);
    spread->addItems({fromUtf8(std::string(spreadName(Spread::Uniform))),
                      fromUtf8(std::string(spreadName(Spread::HorizontalCylinder)))});
    spread->setCurrentIndex(item.spread == Spread::Uniform ? 0 : 1);
    m_items->setCellWidget(row, SpreadColumn, spread);
    auto* outside = new QCheckBox(m_items);
    outside->setChecked(item.adds);
    m_items->setCellWidget(row, Outside, outside);
}

void DeadwoodDialog::showItems(const std::vector<DeadwoodItem>& items)
{
    m_items->setRowCount(0);
    for (const DeadwoodItem& item : items)
        addRow(item);
    m_items->resizeColumnsToContents();
    m_items->horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);
}

std::optional<std::vector<DeadwoodItem>> DeadwoodDialog::readItems()
{
    std::vector<DeadwoodItem> items;
    for (int row = 0; row < m_items->rowCount(); ++row) {
        const auto text = [&](int column) {
            const QTableWidgetItem* cell = m_items->item(row, column);
            return cell ? cell->text().trimmed() : QString();
        };
        const auto fail = [&](int column, const QString& why) {
            m_problem->setText(QStringLiteral("Строка %1, «%2»: %3").arg(row + 1).arg(kColumns[column], why));
            m_items->setCurrentCell(row, column);
            m_items->setFocus();
            return std::nullopt;
        };
        DeadwoodItem item;
        item.name = text(Name).toStdString();
        const std::pair<int, double*> numbers[] = {{From, &item.from}, {To, &item.to}, {Volume, &item.litres}};
        for (const auto& [column, into] : numbers) {
            const auto value = decimalNumber(text(column).toStdString());
            if (!value)
                return fail(column, QStringLiteral("нужно число не меньше 0"));
            *into = *value;
        }
        if (!text(Standard).isEmpty()) {
            const auto u = decimalNumber(text(Standard).toStdString());
            if (!u)
                return fail(Standard, QStringLiteral("нужно число не меньше 0 или пусто"));
            item.standard = *u;
        }
        const auto* spread = qobject_cast<QComboBox*>(m_items->cellWidget(row, SpreadColumn));
        item.spread = spread && spread->currentIndex() == 1 ? Spread::HorizontalCylinder : Spread::Uniform;
        const auto* outside = qobject_cast<QCheckBox*>(m_items->cellWidget(row, Outside));
        item.adds = outside && outside->isChecked();
        if (const auto fault = itemFault(item))
            return fail(Name, fromUtf8(*fault));
        items.push_back(std::move(item));
    }
    return items;
}

bool DeadwoodDialog::readFields()
{
    m_problem->clear();
    auto items = readItems();
    if (!items)
        return false;
    Deadwood read;
    read.items = std::move(*items);
    if (m_roof->isChecked()) {
        FloatingRoof roof;
        const std::pair<QLineEdit*, double*> fields[] = {
            {m_mass, &roof.massKg}, {m_density, &roof.density}, {m_zoneFrom, &roof.zoneFrom}, {m_zoneTo, &roof.zoneTo}};
        for (const auto& [edit, into] : fields) {
            const auto value = decimalNumber(edit->text().toStdString());
            if (!value) {
                m_problem->setText(QStringLiteral("Понтон: нужно число не меньше 0."));
                edit->setFocus();
                return false;
            }
            *into = *value;
        }
        if (const auto fault = roofFault(roof)) {
            m_problem->setText(QStringLiteral("Понтон: %1.").arg(fromUtf8(*fault)));
            m_mass->setFocus();
            return false;
        }
        read.roof = roof;
    }
    m_deadwood = std::move(read);
    return true;
}

void DeadwoodDialog::accept()
{
    if (readFields())
        QDialog::accept();
}

std::optional<QString> DeadwoodDialog::importItems(const QString& path)
{
    const auto items = readDeadwoodFile(path.toStdString());
    if (!items)
        return fromUtf8(items.error().message);
    showItems(*items);
    return std::nullopt;
}

std::optional<QString> DeadwoodDialog::exportItems(const QString& path)
{
    const auto items = readItems();
    if (!items)
        return m_problem->text();
    const std::string file = path.toStdString();
    if (const auto written = writeAtomically(file, deadwoodCsv(*items)); !written)
        return QStringLiteral("Список деталей %1 не записан: %2")
            .arg(path, QString::fromStdString(systemReasonText(written.error())));
    return std::nullopt;
}

void DeadwoodDialog::importCommand()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Импорт деталей"), QString(), kFilter);
    if (path.isEmpty())
        return;
    m_problem->setText(importItems(path).value_or(QString()));
}

void DeadwoodDialog::exportCommand()
{
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Экспорт деталей"), QString(), kFilter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        path += QStringLiteral(".csv");
    m_problem->setText(exportItems(path).value_or(QString()));
}

} // namespace tarvol
