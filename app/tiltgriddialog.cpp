#include "app/tiltgriddialog.h"

#include <algorithm>
#include <cmath>

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include "app/backgroundrun.h"
#include "app/messages.h"
#include "calc/format.h"
#include "export/savedialog.h"
#include "tank/atomicwrite.h"
#include "tank/table.h"

namespace tarvol {
namespace {

const QString kTitle = QStringLiteral("Сетка наклонов");
const QString kIntro = QStringLiteral(
    "Объём при каждом уровне для ряда углов — таблица для системы с инклинометром. Второй угол и уровнемер — как в "
    "«Наклон…»; детали внутри ёмкости учтены.");
const QString kPitch = QStringLiteral("тангаж");
const QString kRoll = QStringLiteral("крен");
const QString kFilter = QStringLiteral("Сетка наклонов CSV (*.csv);;Все файлы (*)");
const QString kBadNumber = QStringLiteral("«%1»: введите число, например 0,5.");
// the plot's curves: the volume against the angle at these shares of the highest level
constexpr double kPlotShares[] = {0.1, 0.3, 0.5, 0.7, 0.9};

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
QString shown(double v) { return fromUtf8(formatGeneral(v, ',')); }

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

TiltGridDialog::TiltGridDialog(Tank tank, QWidget* parent) : QDialog(parent), m_tank(std::move(tank))
{
    setObjectName(QStringLiteral("TiltGridDialog"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(kIntro, this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    m_vary = new QComboBox(this);
    m_vary->setObjectName(QStringLiteral("vary"));
    m_vary->addItems({kPitch, kRoll});
    form->addRow(QStringLiteral("&Изменяется"), m_vary);
    const auto field = [&](const QString& name, const QString& caption) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        form->addRow(caption, edit);
        return edit;
    };
    m_from = field(QStringLiteral("from"), QStringLiteral("&От, °"));
    m_to = field(QStringLiteral("to"), QStringLiteral("&До, °"));
    m_step = field(QStringLiteral("step"), QStringLiteral("&Шаг, °"));
    m_levelStep = field(QStringLiteral("levelStep"), QStringLiteral("Шаг &уровня, мм"));
    auto* run = new QPushButton(QStringLiteral("&Рассчитать"), this);
    run->setObjectName(QStringLiteral("compute"));
    connect(run, &QPushButton::clicked, this, &TiltGridDialog::compute);
    form->addRow(QString(), run);

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("grid"));
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_chart = new QChartView(new QChart(), this);
    m_chart->setObjectName(QStringLiteral("plot"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->chart()->setLocale(dialogLocale());
    m_chart->chart()->setLocalizeNumbers(true);
    m_chart->chart()->legend()->setAlignment(Qt::AlignBottom);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_table);
    split->addWidget(m_chart);
    split->setMinimumHeight(240);
    split->setSizes({400, 400});
    layout->addWidget(split, 1);

    m_problem = problemLabel(this);
    layout->addWidget(m_problem);
    m_attach = new QCheckBox(QStringLiteral("&Приложить к документам ёмкости"), this);
    m_attach->setObjectName(QStringLiteral("attach"));
    m_attach->setChecked(m_tank.tiltGrid.has_value());
    layout->addWidget(m_attach);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    QPushButton* save = buttons->addButton(QStringLiteral("&Сохранить CSV…"), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("saveCsv"));
    connect(save, &QPushButton::clicked, this, &TiltGridDialog::saveCommand);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    layout->addWidget(buttons);

    const TiltGridRange range = m_tank.tiltGrid.value_or(TiltGridRange{});
    m_vary->setCurrentIndex(range.byPitch ? 0 : 1);
    m_from->setText(shown(range.from));
    m_to->setText(shown(range.to));
    m_step->setText(shown(range.step));
    m_levelStep->setText(shown(range.levelStep));
    resize(820, 560);
}

std::optional<TiltGridRange> TiltGridDialog::typedRange()
{
    TiltGridRange range;
    range.byPitch = m_vary->currentIndex() == 0;
    for (const auto& [edit, target, caption] :
         {std::tuple{m_from, &range.from, QStringLiteral("От")}, std::tuple{m_to, &range.to, QStringLiteral("До")},
          std::tuple{m_step, &range.step, QStringLiteral("Шаг")},
          std::tuple{m_levelStep, &range.levelStep, QStringLiteral("Шаг уровня")}}) {
        const auto v = typedDecimal(edit->text());
        if (!v) {
            m_problem->setText(kBadNumber.arg(caption));
            edit->setFocus();
            return std::nullopt;
        }
        *target = *v;
    }
    if (const auto angles = gridAngles(range.from, range.to, range.step); !angles) {
        m_problem->setText(QStringLiteral("Углы сетки ") + fromUtf8(angles.error()) + u'.');
        return std::nullopt;
    }
    if (range.levelStep < 1 || range.levelStep > kMostGridLevelStep || range.levelStep != std::floor(range.levelStep)) {
        m_problem->setText(QStringLiteral("Шаг уровня — целое число миллиметров от 1 до 10 000."));
        m_levelStep->setFocus();
        return std::nullopt;
    }
    return range;
}

bool TiltGridDialog::compute()
{
    m_problem->clear();
    const auto range = typedRange();
    if (!range)
        return false;
    const std::vector<double> angles = *gridAngles(range->from, range->to, range->step);
    const std::vector<double> none;
    std::optional<expected<TiltGrid, RunFailure>> made;
    const auto job = [&](const RunOptions& options) -> RunOutcome {
        made.emplace(tiltGridOf(m_tank, range->byPitch ? angles : none, range->byPitch ? none : angles,
                                range->levelStep, options));
        if (*made)
            return RunOutcome{};
        if (const auto* refusal = std::get_if<Refusal>(&made->error()))
            return *refusal;
        return Cancelled{};
    };
    const RunOutcome ran = runInBackground(this, job, RunOptions{});
    if (ran.cancelled() || !made)
        return false;
    if (!*made) {
        const auto* refusal = std::get_if<Refusal>(&made->error());
        m_problem->setText(refusal ? fromUtf8(refusal->message) : QString());
        return false;
    }
    m_grid = std::move(**made);
    m_gridRange = *range;
    showGrid();
    return true;
}

void TiltGridDialog::showGrid()
{
    const TiltGrid& grid = *m_grid;
    const std::vector<double>& angles = m_gridRange.byPitch ? grid.pitches : grid.rolls;
    m_table->clear();
    m_table->setColumnCount(static_cast<int>(angles.size()) + 1);
    m_table->setRowCount(static_cast<int>(grid.levels.size()));
    QStringList headers{QStringLiteral("Уровень, мм")};
    for (const double a : angles)
        headers << shown(a) + QStringLiteral("°");
    m_table->setHorizontalHeaderLabels(headers);
    for (std::size_t i = 0; i < grid.levels.size(); ++i) {
        const int row = static_cast<int>(i);
        m_table->setItem(row, 0, cell(shown(grid.levels[i])));
        for (std::size_t c = 0; c < grid.volumes[i].size(); ++c)
            m_table->setItem(row, static_cast<int>(c) + 1,
                             cell(fromUtf8(formatFixed(grid.volumes[i][c], 10, m_tank.decimals, ','))));
    }
    m_table->resizeColumnsToContents();

    QChart* chart = m_chart->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* a : chart->axes())
        chart->removeAxis(a);
    auto* x = new QValueAxis();
    x->setTitleText(m_gridRange.byPitch ? QStringLiteral("Тангаж, °") : QStringLiteral("Крен, °"));
    auto* y = new QValueAxis();
    y->setTitleText(QStringLiteral("Объём, л"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    double low = 0, high = 0;
    bool any = false;
    std::size_t last = grid.levels.size(); // a row picked for one share is not drawn twice
    for (const double share : kPlotShares) {
        if (grid.levels.empty())
            break;
        const double level = share * grid.levels.back();
        const auto at = std::ranges::lower_bound(grid.levels, level) - grid.levels.begin();
        const auto row = static_cast<std::size_t>(std::min<std::ptrdiff_t>(at, std::ssize(grid.levels) - 1));
        if (row == last)
            continue;
        last = row;
        auto* series = new QLineSeries();
        series->setName(QStringLiteral("%1 мм").arg(shown(grid.levels[row])));
        for (std::size_t c = 0; c < angles.size(); ++c) {
            const double v = grid.volumes[row][c];
            series->append(angles[c], v);
            low = any ? std::min(low, v) : v;
            high = any ? std::max(high, v) : v;
            any = true;
        }
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
    }
    setRoundTicks(x, angles.front(), angles.back());
    setRoundTicks(y, std::min(low, 0.0), high);
}

std::optional<TiltGridRange> TiltGridDialog::appendix()
{
    if (!m_attach->isChecked())
        return std::nullopt;
    // the range as typed; one that does not read keeps what the tank had
    if (const auto range = typedRange())
        return range;
    return m_tank.tiltGrid;
}

std::optional<QString> TiltGridDialog::saveCsv(const QString& path)
{
    // the grid of the range as it is typed now, not of one edited since
    const auto range = typedRange();
    if (!range)
        return m_problem->text();
    if ((!m_grid || *range != m_gridRange) && !compute())
        return m_problem->text();
    const std::string text = tiltGridCsv(*m_grid, m_gridRange.byPitch, '.', m_tank.decimals);
    if (const auto written = writeAtomically(path.toStdString(), text); !written)
        return QStringLiteral("Сетка наклонов %1 не записана: %2")
            .arg(path, fromUtf8(systemReasonText(written.error())));
    return std::nullopt;
}

void TiltGridDialog::saveCommand()
{
    SaveRequest request;
    request.fileName = QStringLiteral("сетка.csv");
    request.filters = {kFilter};
    std::optional<SaveChoice> choice;
    if (SaveDialogService* service = saveDialogService())
        choice = service->choose(request);
    else if (const QString path = QFileDialog::getSaveFileName(this, kTitle, request.fileName, kFilter);
             !path.isEmpty())
        choice = SaveChoice{path, 0};
    if (!choice)
        return;
    QString path = choice->path;
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        path += QStringLiteral(".csv");
    if (const auto problem = saveCsv(path))
        messages().information(*problem);
}

} // namespace tarvol
