#include "app/sensordialog.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>
#include <utility>

#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPen>
#include <QPushButton>
#include <QRadioButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include "app/messages.h"
#include "calc/format.h"

namespace tarvol {
namespace {

const QString kTitle = QStringLiteral("Таблица для датчика уровня");
const QString kZeroCaption = QStringLiteral("&Нуль датчика над нулём ёмкости (Z), мм");
const QString kReferenceCaption = QStringLiteral("Точка &отсчёта над нулём ёмкости (REF), мм");
const QString kComputing = QStringLiteral("Расчёт…");
// the plot shows at most this many points of the table; the breakpoints are all marked
constexpr qsizetype kPlotPoints = 2000;

QString readingAxis(sensor::Reading reading)
{
    switch (reading) {
    case sensor::Reading::LevelMm:
        return QStringLiteral("Показание датчика, мм");
    case sensor::Reading::UllageMm:
        return QStringLiteral("Расстояние от точки отсчёта, мм");
    case sensor::Reading::Code:
        return QStringLiteral("Код датчика");
    }
    return {};
}

QString readingAt(sensor::Reading reading, std::int64_t x)
{
    switch (reading) {
    case sensor::Reading::LevelMm:
        return QStringLiteral("при показании %1 мм").arg(x);
    case sensor::Reading::UllageMm:
        return QStringLiteral("при расстоянии %1 мм").arg(x);
    case sensor::Reading::Code:
        return QStringLiteral("при коде %1").arg(x);
    }
    return {};
}

QString summaryText(const SensorOutcome& o)
{
    if (!o.table)
        return o.refusal;
    const auto& t = *o.table;
    QString text = QStringLiteral("Строк таблицы: %1. Точек: %2").arg(t.rows.size()).arg(o.points.points.size());
    if (o.settings.maxError || o.settings.maxPoints) {
        const double full = t.litres(t.fullUnits);
        text += QStringLiteral(", наибольшая погрешность %1 л")
                    .arg(QString::fromStdString(formatFixed(o.points.maxErrorLitres, 15, 3, ',')));
        if (full > 0)
            text += QStringLiteral(" (%1 %)").arg(
                QString::fromStdString(formatFixed(100 * o.points.maxErrorLitres / full, 15, 4, ',')));
        if (o.points.at)
            text += QLatin1Char(' ') + readingAt(t.reading, *o.points.at);
    }
    return text + QLatin1Char('.');
}

QSpinBox* spin(QWidget* parent, const char* name, int minimum, int maximum)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, maximum);
    box->setMinimumWidth(110);
    return box;
}

} // namespace

// One computation on a thread of its own. Everything it shares with the window passes through its atomics, which
// order the outcome's writing before the window reads it; the thread and the window each hold the job, so whichever
// lets go last frees it.
struct SensorJob {
    std::shared_ptr<const std::vector<double>> levelVolumes;
    int decimals = 0;
    sensor::Settings settings;
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    SensorOutcome outcome; // written by the thread before `done`, read by the window after it
};

SensorOutcome computeSensor(const std::vector<double>& levelVolumes, int decimals, const sensor::Settings& settings,
                            const std::atomic<bool>* cancel)
{
    SensorOutcome o;
    o.settings = settings;
    sensor::SearchControl control;
    control.cancel = cancel;
    auto table = sensor::sensorTable(levelVolumes, settings.geometry, decimals);
    if (!table) {
        o.refusal = QString::fromStdString(sensor::refusalText(table.error()));
        return o;
    }
    if (settings.maxError) {
        auto points = sensor::fewestWithin(*table, *settings.maxError, settings.maxPoints, control);
        if (!points) {
            o.refusal = QString::fromStdString(sensor::refusalText(points.error()));
            return o;
        }
        o.points = std::move(*points);
    } else if (settings.maxPoints) {
        auto points = sensor::bestWithPoints(*table, *settings.maxPoints, control);
        if (!points) {
            o.refusal = QString::fromStdString(sensor::refusalText(points.error()));
            return o;
        }
        o.points = std::move(*points);
    } else {
        o.points = sensor::everyRow(*table);
    }
    o.table = std::move(*table);
    return o;
}

SensorDialog::SensorDialog(std::shared_ptr<const std::vector<double>> levelVolumes, int decimals,
                           const sensor::Settings& settings, QWidget* parent, const QString& gaugeNote)
    : QDialog(parent), m_levelVolumes(std::move(levelVolumes)), m_decimals(decimals), m_zero(settings.geometry.zero),
      m_reference(settings.geometry.reference), m_format(settings.format)
{
    setObjectName(QStringLiteral("SensorDialog"));
    setWindowTitle(kTitle);
    const int top = std::max<int>(static_cast<int>(m_levelVolumes->size()) - 1, 0);

    auto* mounting = new QGroupBox(QStringLiteral("Датчик установлен"), this);
    m_bottom = new QRadioButton(QStringLiteral("сн&изу"), mounting);
    m_bottom->setObjectName(QStringLiteral("BottomMounting"));
    m_top = new QRadioButton(QStringLiteral("св&ерху"), mounting);
    m_top->setObjectName(QStringLiteral("TopMounting"));
    auto* mountingRow = new QHBoxLayout(mounting);
    mountingRow->addWidget(m_bottom);
    mountingRow->addWidget(m_top);
    mountingRow->addStretch();
    auto* group = new QButtonGroup(this);
    group->addButton(m_bottom);
    group->addButton(m_top);

    m_positionLabel = new QLabel(this);
    m_position = spin(this, "SensorPosition", 0, 99'999'999);
    m_positionLabel->setBuddy(m_position);

    m_useCode = new QCheckBox(QStringLiteral("Датчик выдаёт &код"), this);
    m_useCode->setObjectName(QStringLiteral("UseCode"));
    m_codeEmpty = spin(this, "CodeEmpty", 0, 99'999'999);
    m_codeFull = spin(this, "CodeFull", 0, 99'999'999);
    m_span = spin(this, "ActiveLength", 0, 99'999'999);
    auto* codeRow = new QHBoxLayout;
    for (const auto& [caption, box] :
         {std::pair{QStringLiteral("п&усто"), m_codeEmpty}, std::pair{QStringLiteral("по&лно"), m_codeFull},
          std::pair{QStringLiteral("на &длине, мм"), m_span}}) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        codeRow->addWidget(label);
        codeRow->addWidget(box);
    }

    m_useError = new QCheckBox(QStringLiteral("Наибольшая &погрешность"), this);
    m_useError->setObjectName(QStringLiteral("UseError"));
    m_error = new QDoubleSpinBox(this);
    m_error->setObjectName(QStringLiteral("MaxError"));
    m_error->setDecimals(3);
    m_error->setRange(0, 99'999'999);
    m_error->setMinimumWidth(110);
    m_errorUnit = new QComboBox(this);
    m_errorUnit->setObjectName(QStringLiteral("ErrorUnit"));
    m_errorUnit->addItems({QStringLiteral("л"), QStringLiteral("%")});
    auto* errorRow = new QHBoxLayout;
    errorRow->addWidget(m_error);
    errorRow->addWidget(m_errorUnit);
    errorRow->addStretch();

    m_usePoints = new QCheckBox(QStringLiteral("Не более &точек"), this);
    m_usePoints->setObjectName(QStringLiteral("UsePoints"));
    m_points = spin(this, "MaxPoints", 2, 100'000);

    auto* form = new QFormLayout;
    if (!gaugeNote.isEmpty()) {
        auto* note = new QLabel(gaugeNote, this);
        note->setObjectName(QStringLiteral("GaugeNote"));
        note->setWordWrap(true);
        form->addRow(note);
    }
    form->addRow(mounting);
    form->addRow(m_positionLabel, m_position);
    form->addRow(m_useCode, codeRow);
    form->addRow(m_useError, errorRow);
    form->addRow(m_usePoints, m_points);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("SensorSummary"));
    m_summary->setWordWrap(true);
    m_summary->setMinimumHeight(40);

    m_chart = new QChart;
    m_chart->legend()->hide();
    m_chart->setLocalizeNumbers(true); // the comma, as in the tables
    m_curve = new QLineSeries(m_chart);
    m_curve->setPen(QPen(QColor(160, 160, 160), 1));
    m_chords = new QLineSeries(m_chart);
    m_chords->setObjectName(QStringLiteral("SensorChords"));
    m_errorLine = new QLineSeries(m_chart);
    m_errorLine->setObjectName(QStringLiteral("SensorError"));
    m_errorLine->setPen(QPen(QColor(176, 0, 0), 1));
    m_marks = new QScatterSeries(m_chart);
    m_marks->setMarkerSize(7);
    for (auto* series : {static_cast<QXYSeries*>(m_curve), static_cast<QXYSeries*>(m_chords),
                         static_cast<QXYSeries*>(m_marks), static_cast<QXYSeries*>(m_errorLine)})
        m_chart->addSeries(series);
    auto* axisX = new QValueAxis(m_chart);
    auto* axisY = new QValueAxis(m_chart);
    auto* axisError = new QValueAxis(m_chart);
    axisY->setTitleText(QStringLiteral("Объём, л"));
    axisError->setTitleText(QStringLiteral("Погрешность, л"));
    m_chart->addAxis(axisX, Qt::AlignBottom);
    m_chart->addAxis(axisY, Qt::AlignLeft);
    m_chart->addAxis(axisError, Qt::AlignRight);
    for (auto* series : {static_cast<QXYSeries*>(m_curve), static_cast<QXYSeries*>(m_chords),
                         static_cast<QXYSeries*>(m_marks), static_cast<QXYSeries*>(m_errorLine)}) {
        series->attachAxis(axisX);
        series->attachAxis(series == m_errorLine ? axisError : axisY);
    }
    m_chartView = new QChartView(m_chart, this);
    m_chartView->setObjectName(QStringLiteral("SensorPlot"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumSize(520, 300);

    auto* buttons = new QDialogButtonBox(this);
    m_save = buttons->addButton(QStringLiteral("&Сохранить…"), QDialogButtonBox::AcceptRole);
    m_save->setObjectName(QStringLiteral("SaveSensor"));
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary);
    layout->addWidget(m_chartView, 1);
    layout->addWidget(buttons);

    // the controls as the settings stand; a reference not yet set starts at the tank's top
    const sensor::Geometry& g = settings.geometry;
    if (m_reference <= 0)
        m_reference = top;
    (g.mounting == sensor::Mounting::Top ? m_top : m_bottom)->setChecked(true);
    m_position->setValue(static_cast<int>(g.mounting == sensor::Mounting::Top ? m_reference : m_zero));
    m_useCode->setChecked(g.code.has_value());
    const sensor::CodeRange code = g.code.value_or(sensor::CodeRange{0, 1023, top});
    m_codeEmpty->setValue(static_cast<int>(code.empty));
    m_codeFull->setValue(static_cast<int>(code.full));
    m_span->setValue(static_cast<int>(code.span));
    m_useError->setChecked(settings.maxError.has_value());
    const sensor::ErrorLimit limit = settings.maxError.value_or(sensor::ErrorLimit{250'000, true});
    m_error->setValue(limit.value());
    m_errorUnit->setCurrentIndex(limit.percent ? 1 : 0);
    m_usePoints->setChecked(settings.maxPoints.has_value());
    m_points->setValue(static_cast<int>(settings.maxPoints.value_or(11)));

    m_delay = new QTimer(this);
    m_delay->setSingleShot(true);
    m_delay->setInterval(150);
    connect(m_delay, &QTimer::timeout, this, &SensorDialog::startComputation);
    // the window looks for the outcome rather than being told, so that nothing of Qt's passes between the threads
    m_poll = new QTimer(this);
    m_poll->setInterval(15);
    connect(m_poll, &QTimer::timeout, this, &SensorDialog::pollComputation);
    connect(m_bottom, &QRadioButton::toggled, this, [this](bool bottom) {
        // each mounting keeps its own value
        const QSignalBlocker quiet(m_position);
        if (bottom) {
            m_reference = m_position->value();
            m_position->setValue(static_cast<int>(m_zero));
        } else {
            m_zero = m_position->value();
            m_position->setValue(static_cast<int>(m_reference));
        }
        settingsChanged();
    });
    for (auto* box : {m_position, m_codeEmpty, m_codeFull, m_span, m_points})
        connect(box, &QSpinBox::valueChanged, this, &SensorDialog::settingsChanged);
    connect(m_error, &QDoubleSpinBox::valueChanged, this, &SensorDialog::settingsChanged);
    connect(m_errorUnit, &QComboBox::currentIndexChanged, this, &SensorDialog::settingsChanged);
    for (auto* box : {m_useCode, m_useError, m_usePoints})
        connect(box, &QCheckBox::toggled, this, &SensorDialog::settingsChanged);
    updateControls();
    startComputation();
}

// a search still running is told to stop and left to end on its own thread: closing never waits for it
SensorDialog::~SensorDialog()
{
    if (m_job)
        m_job->cancel = true;
}

sensor::Settings SensorDialog::settings() const
{
    sensor::Settings s;
    const bool top = m_top->isChecked();
    s.geometry.mounting = top ? sensor::Mounting::Top : sensor::Mounting::Bottom;
    s.geometry.zero = top ? m_zero : m_position->value();
    s.geometry.reference = top ? m_position->value() : m_reference;
    if (m_useCode->isChecked())
        s.geometry.code = sensor::CodeRange{m_codeEmpty->value(), m_codeFull->value(), m_span->value()};
    if (m_useError->isChecked())
        s.maxError = sensor::ErrorLimit{std::llround(m_error->value() * 1e6), m_errorUnit->currentIndex() == 1};
    if (m_usePoints->isChecked())
        s.maxPoints = m_points->value();
    s.format = m_format;
    return s;
}

bool SensorDialog::computing() const { return m_delay->isActive() || m_job != nullptr; }

void SensorDialog::settingsChanged()
{
    updateControls();
    m_summary->setText(kComputing);
    m_save->setEnabled(false);
    m_delay->start();
}

void SensorDialog::updateControls()
{
    m_positionLabel->setText(m_top->isChecked() ? kReferenceCaption : kZeroCaption);
    for (auto* box : {m_codeEmpty, m_codeFull, m_span})
        box->setEnabled(m_useCode->isChecked());
    m_error->setEnabled(m_useError->isChecked());
    m_errorUnit->setEnabled(m_useError->isChecked());
    m_points->setEnabled(m_usePoints->isChecked());
}

// the search runs away from the window's thread; new settings cancel the search of the old ones
void SensorDialog::startComputation()
{
    if (m_job)
        m_job->cancel = true;
    auto job = std::make_shared<SensorJob>();
    job->levelVolumes = m_levelVolumes;
    job->decimals = m_decimals;
    job->settings = settings();
    m_job = job;
    const auto work = [](const std::shared_ptr<SensorJob>& j) {
        j->outcome = computeSensor(*j->levelVolumes, j->decimals, j->settings, &j->cancel);
        j->done.store(true, std::memory_order_release);
    };
    try {
        std::thread(work, job).detach();
    } catch (const std::system_error&) {
        work(job); // no thread to be had: the window waits this once
    }
    m_poll->start();
}

void SensorDialog::pollComputation()
{
    if (!m_job || !m_job->done.load(std::memory_order_acquire))
        return;
    m_poll->stop();
    m_outcome = std::move(m_job->outcome);
    m_job.reset();
    showOutcome();
}

void SensorDialog::showOutcome()
{
    m_summary->setText(summaryText(m_outcome));
    m_summary->setStyleSheet(m_outcome.table ? QString() : QStringLiteral("color: #b00000"));
    m_save->setEnabled(m_outcome.table.has_value() && !m_outcome.table->rows.empty());
    QList<QPointF> curve;
    QList<QPointF> chords;
    QList<QPointF> errors;
    QList<QPointF> marks;
    if (m_outcome.table) {
        const auto& t = *m_outcome.table;
        const auto& points = m_outcome.points.points;
        const qsizetype n = static_cast<qsizetype>(t.rows.size());
        const qsizetype stride = std::max<qsizetype>(1, n / kPlotPoints);
        for (qsizetype k = 0; k < n; k += stride)
            curve.append({static_cast<double>(t.rows[static_cast<size_t>(k)].x),
                          t.litres(t.rows[static_cast<size_t>(k)].units)});
        if (n > 0 && (n - 1) % stride != 0)
            curve.append({static_cast<double>(t.rows.back().x), t.litres(t.rows.back().units)});
        const auto pointStride = std::max<std::size_t>(1, points.size() / static_cast<std::size_t>(kPlotPoints));
        for (std::size_t k = 0; k < points.size(); k += pointStride)
            chords.append({static_cast<double>(points[k].x), t.litres(points[k].units)});
        if (!points.empty() && (points.size() - 1) % pointStride != 0)
            chords.append({static_cast<double>(points.back().x), t.litres(points.back().units)});
        // the error along the broken line: of each run of rows, the one farthest off, so no peak is lost
        std::size_t segment = 0;
        for (qsizetype from = 0; from < n && points.size() >= 2; from += stride) {
            double worst = 0;
            double at = static_cast<double>(t.rows[static_cast<size_t>(from)].x);
            for (qsizetype k = from; k < std::min(n, from + stride); ++k) {
                const auto& row = t.rows[static_cast<size_t>(k)];
                while (segment + 2 < points.size() && points[segment + 1].x <= row.x)
                    ++segment;
                const auto& a = points[segment];
                const auto& b = points[segment + 1];
                const double line =
                    t.litres(a.units)
                    + t.litres(b.units - a.units) * static_cast<double>(row.x - a.x) / static_cast<double>(b.x - a.x);
                const double off = line - t.litres(row.units);
                if (std::abs(off) > std::abs(worst) || k == from) {
                    worst = off;
                    at = static_cast<double>(row.x);
                }
            }
            errors.append({at, worst});
        }
        if (points.size() < t.rows.size() || n <= 50)
            for (const auto& p : points)
                marks.append({static_cast<double>(p.x), t.litres(p.units)});
        auto* axisX = qobject_cast<QValueAxis*>(m_chart->axes(Qt::Horizontal).value(0));
        auto* axisY = qobject_cast<QValueAxis*>(m_chart->axes(Qt::Vertical).value(0));
        auto* axisError = qobject_cast<QValueAxis*>(m_chart->axes(Qt::Vertical).value(1));
        if (n > 0 && axisX && axisY && axisError) {
            axisX->setTitleText(readingAxis(t.reading));
            // ticks on round numbers rather than on fractions of the table's own range
            setRoundTicks(axisX, static_cast<double>(t.rows.front().x), static_cast<double>(t.rows.back().x));
            const auto [lo, hi] = std::minmax_element(t.rows.begin(), t.rows.end(),
                                                      [](const auto& a, const auto& b) { return a.units < b.units; });
            setRoundTicks(axisY, t.litres(lo->units), std::max(t.litres(hi->units), t.litres(lo->units) + 1));
            const double reach = std::max(m_outcome.points.maxErrorLitres, t.litres(1));
            setRoundTicks(axisError, -reach, reach);
        }
    }
    m_curve->replace(curve);
    m_chords->replace(chords);
    m_errorLine->replace(errors);
    m_marks->replace(marks);
    emit outcomeShown();
}

} // namespace tarvol
