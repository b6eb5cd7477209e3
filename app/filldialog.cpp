#include "app/filldialog.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include "app/messages.h"
#include "app/tform1.h"
#include "calc/catalogue.h"
#include "calc/format.h"
#include "calc/model.h"
#include "fit/report.h"

namespace tarvol {
namespace {

const QString kTitle = QStringLiteral("Градуировка по наливу");
const QString kLogBox = QStringLiteral("Журнал налива: уровень (мм) и объём (л), из файла или вставленный из таблицы");
const QString kLoad = QStringLiteral("Загрузить…");
const QString kDoses = QStringLiteral("Во втором столбце — дозы, а не накопленный объём");
const QString kFreeBox = QStringLiteral("Свободные параметры");
const QString kZeroCaption = QStringLiteral("Ноль уровнемера над нулём уровня (zero), мм");
const QString kV0Caption = QStringLiteral("Объём до первой дозы (v0), л");
const QString kFit = QStringLiteral("Подобрать");
const QString kApply = QStringLiteral("Применить");
const QString kClose = QStringLiteral("Закрыть");
const QString kOpenTitle = QStringLiteral("Журнал налива");
const QString kOpenFilter = QStringLiteral("Журналы налива (*.csv *.txt);;Все файлы (*)");
const QString kCannotRead = QStringLiteral("Не удалось прочитать журнал налива %1: %2");
const QStringList kParameterHeadings = {QStringLiteral("Параметр"), QStringLiteral("Значение ± ст. погрешность"),
                                        QStringLiteral("Изменение от чертежа")};
const QStringList kPointHeadings = {QStringLiteral("Строка"),     QStringLiteral("Уровень, мм"),
                                    QStringLiteral("Объём, л"),   QStringLiteral("Модель, л"),
                                    QStringLiteral("Остаток, л"), QStringLiteral("Остаток, мм"),
                                    QStringLiteral("Исключить")};
const QString kOutlier = QStringLiteral("выброс");
const QString kSummary = QStringLiteral("Точек: %1; СКО остатков: %2 л; наибольший остаток: %3 л (%4 мм уровня)");
const QString kLevelAxis = QStringLiteral("Уровень по уровнемеру, мм");
const QString kVolumeAxis = QStringLiteral("Объём, л");
const QString kResidualAxis = QStringLiteral("Остаток, л");
const QString kPointsSeries = QStringLiteral("Точки журнала");
const QString kModelSeries = QStringLiteral("Модель");
const QString kExcludedSeries = QStringLiteral("Исключённые");
const QString kOutlierSeries = QStringLiteral("Выбросы");
const QString kResidualSeries = QStringLiteral("Остатки");

constexpr int kExcludeColumn = 6;
constexpr int kModelSamples = 200;

QString number(double value, int digits)
{
    return QString::fromStdString(std::isfinite(value) ? formatFixed(value, 15, digits, decimalSeparator()) : "—");
}

QString unitOf(ParameterKind kind) { return kind == ParameterKind::V0 ? QStringLiteral("л") : QStringLiteral("мм"); }

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QChartView* chartView(const QString& name)
{
    auto* view = new QChartView(new QChart());
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(360, 240);
    view->chart()->setLocalizeNumbers(true); // the user's decimal mark, as in the tables
    return view;
}

QValueAxis* axis(const QString& title)
{
    auto* a = new QValueAxis();
    a->setTitleText(title);
    a->setLabelFormat(QStringLiteral("%.0f"));
    return a;
}

void attach(QChart* chart, QAbstractSeries* series, QValueAxis* x, QValueAxis* y)
{
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

} // namespace

// One fit on a thread of its own, on copies of the request and the log. The outcome passes to the window through
// `done`, which orders its writing before the window reads it; thread and window each hold the job.
struct FitJob {
    FitRequest request;
    FillLog log;
    std::atomic<bool> done{false};
    std::optional<expected<FitResult, FitRefusal>> outcome;
};

FillDialog::FillDialog(int shapeIndex, std::vector<double> dims, QWidget* parent)
    : QDialog(parent), m_shape(shapeIndex), m_dims(std::move(dims))
{
    setObjectName(QStringLiteral("FillDialog"));
    setWindowTitle(kTitle + QStringLiteral(": ") + QString::fromUtf8(shape(m_shape).name));

    auto* logBox = new QGroupBox(kLogBox);
    m_logText = new QPlainTextEdit();
    m_logText->setObjectName(QStringLiteral("LogText"));
    m_logText->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* load = new QPushButton(kLoad);
    load->setObjectName(QStringLiteral("LoadButton"));
    m_doses = new QCheckBox(kDoses);
    m_doses->setObjectName(QStringLiteral("DosesBox"));
    auto* logLayout = new QVBoxLayout(logBox);
    logLayout->addWidget(m_logText);
    auto* logButtons = new QHBoxLayout();
    logButtons->addWidget(load);
    logButtons->addWidget(m_doses, 1);
    logLayout->addLayout(logButtons);

    auto* freeBox = new QGroupBox(kFreeBox);
    auto* freeLayout = new QVBoxLayout(freeBox);
    const auto names = parameterNames(m_shape);
    const auto& captions = shape(m_shape).captions;
    for (size_t i = 0; i < names.size(); ++i) {
        const QString caption =
            i < captions.size() ? QString::fromUtf8(captions[i]) : (i == captions.size() ? kZeroCaption : kV0Caption);
        auto* box = new QCheckBox(i < captions.size() && !caption.contains(QLatin1Char('('))
                                      ? caption + QStringLiteral(" (") + QString::fromStdString(names[i]) + u')'
                                      : caption);
        box->setObjectName(QStringLiteral("Free_") + QString::fromStdString(names[i]));
        freeLayout->addWidget(box);
        m_free.push_back(box);
        connect(box, &QCheckBox::toggled, this, [this] { updateButtons(); });
    }
    auto* fit = new QPushButton(kFit);
    fit->setObjectName(QStringLiteral("FitButton"));
    freeLayout->addStretch(1);
    freeLayout->addWidget(fit);

    m_parameters = new QTableWidget(0, static_cast<int>(kParameterHeadings.size()));
    m_parameters->setObjectName(QStringLiteral("ParameterTable"));
    m_parameters->setHorizontalHeaderLabels(kParameterHeadings);
    m_parameters->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_parameters->verticalHeader()->hide();
    m_summary = new QLabel();
    m_summary->setObjectName(QStringLiteral("SummaryLabel"));
    m_warnings = new QLabel();
    m_warnings->setObjectName(QStringLiteral("WarningLabel"));
    m_warnings->setWordWrap(true);
    m_warnings->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_points = new QTableWidget(0, static_cast<int>(kPointHeadings.size()));
    m_points->setObjectName(QStringLiteral("ResidualTable"));
    m_points->setHorizontalHeaderLabels(kPointHeadings);
    m_points->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_points->verticalHeader()->hide();
    m_curve = chartView(QStringLiteral("CurveChart"));
    m_residuals = chartView(QStringLiteral("ResidualChart"));

    m_buttons = new QDialogButtonBox();
    auto* apply = m_buttons->addButton(kApply, QDialogButtonBox::AcceptRole);
    apply->setObjectName(QStringLiteral("ApplyButton"));
    m_buttons->addButton(kClose, QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("CloseButton"));

    auto* top = new QHBoxLayout();
    top->addWidget(logBox, 3);
    top->addWidget(freeBox, 2);
    auto* results = new QVBoxLayout();
    results->addWidget(m_parameters);
    results->addWidget(m_summary);
    results->addWidget(m_warnings);
    results->addWidget(m_points, 1);
    auto* charts = new QVBoxLayout();
    charts->addWidget(m_curve, 1);
    charts->addWidget(m_residuals, 1);
    auto* middle = new QHBoxLayout();
    middle->addLayout(results, 1);
    middle->addLayout(charts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(m_buttons);
    resize(1100, 800);

    connect(load, &QPushButton::clicked, this, &FillDialog::LoadClick);
    connect(fit, &QPushButton::clicked, this, &FillDialog::FitClick);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_logText, &QPlainTextEdit::textChanged, this, &FillDialog::logEdited);
    connect(m_doses, &QCheckBox::toggled, this, [this] { updateButtons(); });
    // the window looks for the outcome rather than being told, so that nothing of Qt's passes between the threads
    m_poll = new QTimer(this);
    m_poll->setInterval(15);
    connect(m_poll, &QTimer::timeout, this, &FillDialog::pollFit);
    updateButtons();
}

// A fit still computing works on its own copies: the dialog may go before it ends.
FillDialog::~FillDialog() = default;

bool FillDialog::loadLogFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        messages().error(kCannotRead.arg(QFileInfo(path).fileName(), file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    m_logText->setPlainText(QString::fromUtf8(bytes));
    m_logFile = QFileInfo(path).fileName(); // after the text, whose change forgets the previous name
    return true;
}

void FillDialog::LoadClick()
{
    const QString path = QFileDialog::getOpenFileName(this, kOpenTitle, QString(), kOpenFilter);
    if (!path.isEmpty())
        loadLogFile(path);
}

void FillDialog::logEdited()
{
    m_logFile.clear(); // pasted or typed cells are no longer the file
    updateButtons();
}

void FillDialog::updateButtons()
{
    const bool anyFree = std::any_of(m_free.begin(), m_free.end(), [](const QCheckBox* b) { return b->isChecked(); });
    findChild<QPushButton*>(QStringLiteral("FitButton"))->setEnabled(anyFree && !fitting());
    // a fit whose model cannot describe the log is shown, with the reason, but there is nothing to apply
    findChild<QPushButton*>(QStringLiteral("ApplyButton"))
        ->setEnabled(m_fit.has_value() && !m_fit->failure && !fitting());
}

void FillDialog::FitClick()
{
    if (fitting())
        return;
    const QByteArray text = m_logText->toPlainText().toUtf8();
    LogOptions options;
    options.doses = m_doses->isChecked();
    auto log = parseFillLog(std::string_view(text.constData(), static_cast<size_t>(text.size())),
                            withShapeLimits(options, m_shape));
    if (!log) {
        messages().information(QString::fromStdString(logRefusalText(log.error())));
        return;
    }
    log->fileName = m_logFile.toStdString();

    FitRequest request;
    request.shape = m_shape;
    request.dims = m_dims;
    const auto names = parameterNames(m_shape);
    for (size_t i = 0; i < m_free.size(); ++i)
        if (m_free[i]->isChecked())
            request.free.push_back(names[i]);
    // the boxes ticked in the table keep their points out, as long as the log is the one they were ticked on
    const bool sameLog = m_fit && m_fittedLog.points.size() == log->points.size()
                         && std::equal(log->points.begin(), log->points.end(), m_fittedLog.points.begin(),
                                       [](const FillPoint& a, const FillPoint& b) {
                                           return a.level == b.level && a.volume == b.volume;
                                       });
    request.excluded.assign(log->points.size(), false);
    if (sameLog)
        for (int row = 0; row < m_points->rowCount(); ++row)
            if (const auto* box = m_points->item(row, kExcludeColumn))
                request.excluded[static_cast<size_t>(row)] = box->checkState() == Qt::Checked;
    m_excluded = request.excluded;
    m_fittedLog = *log;
    auto job = std::make_shared<FitJob>();
    job->request = std::move(request);
    job->log = std::move(*log);
    m_job = job;
    const auto work = [](const std::shared_ptr<FitJob>& j) {
        j->outcome = fitFillLog(j->request, j->log);
        j->done.store(true, std::memory_order_release);
    };
    try {
        std::thread(work, job).detach();
    } catch (const std::system_error&) {
        work(job); // no thread to be had: the window waits this once
    }
    m_poll->start();
    updateButtons();
}

// only a fit whose model describes the log leaves the dialog to be applied
void FillDialog::accept()
{
    if (m_fit && !m_fit->failure && !fitting())
        QDialog::accept();
}

void FillDialog::pollFit()
{
    if (!m_job || !m_job->done.load(std::memory_order_acquire))
        return;
    m_poll->stop();
    auto outcome = std::move(*m_job->outcome);
    m_job.reset();
    if (!outcome) {
        messages().information(QString::fromStdString(fitRefusalText(outcome.error())));
    } else {
        m_fit = std::move(*outcome);
        showFit();
    }
    updateButtons();
    emit fitEnded();
}

void FillDialog::showFit()
{
    const FitResult& fit = *m_fit;
    m_parameters->setRowCount(static_cast<int>(fit.parameters.size()));
    for (size_t i = 0; i < fit.parameters.size(); ++i) {
        const auto& p = fit.parameters[i];
        const int row = static_cast<int>(i);
        const QString unit = QLatin1Char(' ') + unitOf(p.kind);
        const double change = p.value - p.start;
        m_parameters->setItem(row, 0, cell(QString::fromStdString(p.name)));
        m_parameters->setItem(row, 1,
                              cell(number(p.value, 2) + QStringLiteral(" ± ") + number(p.standardError, 2) + unit));
        m_parameters->setItem(row, 2, cell((change > 0 ? QStringLiteral("+") : QString()) + number(change, 2) + unit));
    }
    int used = 0;
    for (const auto& point : fit.points)
        used += !point.excluded;
    m_summary->setText(
        kSummary.arg(used).arg(number(fit.residualRms, 3), number(fit.maxResidual, 3), number(fit.maxResidualMm, 2)));
    const std::string failure = fit.failure ? fitFailureText(*fit.failure) + '\n' : std::string();
    m_warnings->setText(QString::fromStdString(failure + fitWarnings(fit)).trimmed());

    m_points->setRowCount(static_cast<int>(fit.points.size()));
    for (size_t i = 0; i < fit.points.size(); ++i) {
        const auto& p = fit.points[i];
        const int row = static_cast<int>(i);
        m_points->setItem(row, 0, cell(QString::number(p.line)));
        m_points->setItem(row, 1, cell(number(p.level, 1)));
        m_points->setItem(row, 2, cell(number(p.volume, 3)));
        m_points->setItem(row, 3, cell(number(p.model, 3)));
        m_points->setItem(row, 4,
                          cell(number(p.residual, 3) + (p.outlier ? QStringLiteral("  ") + kOutlier : QString())));
        m_points->setItem(row, 5, cell(number(p.residualMm, 2)));
        auto* exclude = new QTableWidgetItem();
        exclude->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        exclude->setCheckState(p.excluded ? Qt::Checked : Qt::Unchecked);
        m_points->setItem(row, kExcludeColumn, exclude);
        if (p.outlier)
            for (int column = 0; column < kExcludeColumn; ++column)
                m_points->item(row, column)->setForeground(QColor(0xb0, 0, 0));
    }
    showPlots();
}

void FillDialog::showPlots()
{
    const FitResult& fit = *m_fit;
    auto* points = new QScatterSeries();
    points->setName(kPointsSeries);
    points->setMarkerSize(7);
    auto* excluded = new QScatterSeries();
    excluded->setName(kExcludedSeries);
    excluded->setMarkerSize(7);
    excluded->setColor(Qt::gray);
    auto* residuals = new QScatterSeries();
    residuals->setName(kResidualSeries);
    residuals->setMarkerSize(7);
    auto* outliers = new QScatterSeries();
    outliers->setName(kOutlierSeries);
    outliers->setMarkerSize(9);
    outliers->setColor(QColor(0xd0, 0, 0));
    double low = 0, high = 0, rLow = 0, rHigh = 0, vHigh = 0;
    for (const auto& p : fit.points) {
        (p.excluded ? excluded : points)->append(p.level, p.volume);
        (p.outlier ? outliers : residuals)->append(p.level, p.residual);
        low = std::min(low, p.level);
        high = std::max(high, p.level);
        rLow = std::min(rLow, p.residual);
        rHigh = std::max(rHigh, p.residual);
        vHigh = std::max(vHigh, p.volume);
    }

    // the model over the whole tank, so the extrapolation beyond the log shows too
    double zero = 0, v0 = 0;
    for (const auto& p : fit.parameters) {
        if (p.kind == ParameterKind::Zero)
            zero = p.value;
        if (p.kind == ParameterKind::V0)
            v0 = p.value;
    }
    auto* curve = new QLineSeries();
    curve->setName(kModelSeries);
    if (const auto model = prepareModel(fit.shape, fit.dims); model.ok()) {
        high = std::max(high, model.model().top() - zero);
        for (int i = 0; i <= kModelSamples; ++i) {
            const double reading = low + (high - low) * i / kModelSamples;
            const double volume = model.model().volume(reading + zero) - v0;
            curve->append(reading, volume);
            vHigh = std::max(vHigh, volume);
        }
    }

    QChart* chart = m_curve->chart();
    chart->removeAllSeries();
    for (auto* old : chart->axes())
        chart->removeAxis(old);
    auto* x = axis(kLevelAxis);
    auto* y = axis(kVolumeAxis);
    x->setRange(low, high);
    y->setRange(0, vHigh * 1.05);
    x->applyNiceNumbers();
    y->applyNiceNumbers();
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    attach(chart, curve, x, y);
    attach(chart, points, x, y);
    attach(chart, excluded, x, y);

    QChart* rChart = m_residuals->chart();
    rChart->removeAllSeries();
    for (auto* old : rChart->axes())
        rChart->removeAxis(old);
    auto* rx = axis(kLevelAxis);
    auto* ry = axis(kResidualAxis);
    const double margin = std::max(rHigh - rLow, 1.0) * 0.1;
    rx->setRange(low, high);
    ry->setRange(rLow - margin, rHigh + margin);
    rx->applyNiceNumbers();
    ry->applyNiceNumbers();
    ry->setLabelFormat(QStringLiteral("%.0f"));
    rChart->addAxis(rx, Qt::AlignBottom);
    rChart->addAxis(ry, Qt::AlignLeft);
    attach(rChart, residuals, rx, ry);
    attach(rChart, outliers, rx, ry);
}

} // namespace tarvol
