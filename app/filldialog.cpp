#include "app/filldialog.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <set>
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
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include "app/messages.h"
#include "calc/catalogue.h"
#include "calc/format.h"
#include "calc/model.h"
#include "fit/report.h"
#include "tank/atomicwrite.h"
#include "tank/tankfile.h"

namespace tarvol {
namespace {

const QString kTitle = QStringLiteral("Градуировка по наливу");
const QString kLogTab = QStringLiteral("&Журнал");
const QString kResultsTab = QStringLiteral("&Результат");
const QString kPlotsTab = QStringLiteral("&Графики");
const QString kLogBox = QStringLiteral("Журнал налива: &уровень (мм) и объём (л), из файла или вставленный из таблицы");
const QString kLoad = QStringLiteral("&Загрузить…");
const QString kDoses = QStringLiteral("Во втором столбце — &дозы, а не накопленный объём");
const QString kFreeBox = QStringLiteral("&Свободные параметры");
const QString kZeroCaption = QStringLiteral("Ноль уровнемера над нулём уровня (zero), мм");
const QString kV0Caption = QStringLiteral("Объём до первой дозы (v0), л");
const QString kFit = QStringLiteral("&Подобрать");
const QString kApply = QStringLiteral("Пр&именить");
const QString kClose = QStringLiteral("За&крыть");
const QString kStale = QStringLiteral("Журнал, параметры или исключения изменены: нажмите «Подобрать».");
const QString kOpenTitle = QStringLiteral("Журнал налива");
const QString kOpenFilter = QStringLiteral("Журналы налива (*.csv *.txt);;Все файлы (*)");
const QString kCannotRead = QStringLiteral("Не удалось прочитать журнал налива «%1»: %2");
const QString kTooLong = QStringLiteral("больше %1 МБ");
const QString kSavedHeader = QStringLiteral("Уровень, мм;Объём, л");
const QString kSavedFrom = QStringLiteral("# точки журнала «%1», сохранённые с ёмкостью");
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
// a log is a few hundred kilobytes; the text box is no place for more
constexpr std::size_t kLargestLogFile = std::size_t{64} << 20;
// the size the dialog opens at where the screen has room
constexpr QSize kRoomy(1000, 720);

// the dialog writes numbers with the comma, whatever the user's locale, as its charts and fields do
constexpr char kComma = ',';

QString number(double value, int digits)
{
    return QString::fromStdString(std::isfinite(value) ? formatFixed(value, 15, digits, kComma) : "—");
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
    view->setMinimumSize(200, 140);
    view->chart()->setLocale(dialogLocale());
    view->chart()->setLocalizeNumbers(true); // the comma, as in the tables
    return view;
}

QValueAxis* axis(const QString& title)
{
    auto* a = new QValueAxis();
    a->setTitleText(title);
    a->setLabelFormat(QStringLiteral("%.0f"));
    return a;
}

// The points of a saved fit as the text box shows them: a heading and "level;volume" a line, with the comma.
QString savedLogText(const FitResult& saved)
{
    QStringList lines;
    if (!saved.logFile.empty())
        lines << kSavedFrom.arg(QString::fromStdString(saved.logFile));
    lines << kSavedHeader;
    for (const auto& p : saved.points)
        lines << QString::fromStdString(formatGeneral(p.level, kComma)) + u';'
                     + QString::fromStdString(formatGeneral(p.volume, kComma));
    return lines.join(u'\n') + u'\n';
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

FillDialog::FillDialog(int shapeIndex, std::vector<double> dims, QWidget* parent, const std::optional<FitResult>& saved)
    : QDialog(parent), m_shape(shapeIndex), m_dims(std::move(dims))
{
    setObjectName(QStringLiteral("FillDialog"));
    setWindowTitle(kTitle + QStringLiteral(": ") + QString::fromUtf8(shape(m_shape).name));
    setLocale(dialogLocale());
    // the fixed captions' keys; the free parameters take the letters left
    std::set<QChar> keys;
    for (const QString& text :
         {kLogTab, kResultsTab, kPlotsTab, kLogBox, kLoad, kDoses, kFreeBox, kFit, kApply, kClose})
        withAccessKey(text, keys);

    auto* logBox = new QGroupBox(kLogBox);
    m_logText = new QPlainTextEdit();
    m_logText->setObjectName(QStringLiteral("LogText"));
    m_logText->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* load = new QPushButton(kLoad);
    load->setObjectName(QStringLiteral("LoadButton"));
    m_doses = new QCheckBox(kDoses);
    m_doses->setObjectName(QStringLiteral("DosesBox"));
    auto* logLayout = new QVBoxLayout(logBox);
    logLayout->addWidget(m_logText, 1);
    logLayout->addWidget(load, 0, Qt::AlignLeft);
    logLayout->addWidget(m_doses);

    auto* freeBox = new QGroupBox(kFreeBox);
    auto* freeLayout = new QVBoxLayout(freeBox);
    const auto names = parameterNames(m_shape);
    const auto& captions = shape(m_shape).captions;
    for (size_t i = 0; i < names.size(); ++i) {
        const QString caption =
            i < captions.size() ? QString::fromUtf8(captions[i]) : (i == captions.size() ? kZeroCaption : kV0Caption);
        auto* box =
            new QCheckBox(withAccessKey(i < captions.size() && !caption.contains(QLatin1Char('('))
                                            ? caption + QStringLiteral(" (") + QString::fromStdString(names[i]) + u')'
                                            : caption,
                                        keys));
        box->setObjectName(QStringLiteral("Free_") + QString::fromStdString(names[i]));
        freeLayout->addWidget(box);
        m_free.push_back(box);
        connect(box, &QCheckBox::toggled, this, [this] { updateButtons(); });
    }
    freeLayout->addStretch(1);
    // ten parameters are taller than a small screen leaves the tab
    auto* freeScroller = new QScrollArea();
    freeScroller->setWidget(freeBox);
    freeScroller->setWidgetResizable(true);
    freeScroller->setFrameShape(QFrame::NoFrame);

    m_parameters = new QTableWidget(0, static_cast<int>(kParameterHeadings.size()));
    m_parameters->setObjectName(QStringLiteral("ParameterTable"));
    m_parameters->setHorizontalHeaderLabels(kParameterHeadings);
    m_parameters->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_parameters->verticalHeader()->hide();
    m_summary = new QLabel();
    m_summary->setObjectName(QStringLiteral("SummaryLabel"));
    m_summary->setWordWrap(true);
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
    auto* fit = m_buttons->addButton(kFit, QDialogButtonBox::ActionRole);
    fit->setObjectName(QStringLiteral("FitButton"));
    auto* apply = m_buttons->addButton(kApply, QDialogButtonBox::AcceptRole);
    apply->setObjectName(QStringLiteral("ApplyButton"));
    m_buttons->addButton(kClose, QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("CloseButton"));
    m_stale = new QLabel(kStale);
    m_stale->setObjectName(QStringLiteral("StaleLabel"));
    m_stale->setWordWrap(true);
    m_stale->setStyleSheet(QStringLiteral("color: #b00000;"));

    auto* logPage = new QSplitter(Qt::Horizontal);
    logPage->addWidget(logBox);
    logPage->addWidget(freeScroller);
    logPage->setStretchFactor(0, 3);
    logPage->setStretchFactor(1, 2);
    logPage->setChildrenCollapsible(false);
    auto* figures = new QWidget();
    auto* figuresLayout = new QVBoxLayout(figures);
    figuresLayout->setContentsMargins(0, 0, 0, 0);
    figuresLayout->addWidget(m_parameters, 1);
    figuresLayout->addWidget(m_summary);
    figuresLayout->addWidget(m_warnings);
    auto* resultsPage = new QSplitter(Qt::Vertical);
    resultsPage->addWidget(figures);
    resultsPage->addWidget(m_points);
    resultsPage->setStretchFactor(1, 2);
    resultsPage->setChildrenCollapsible(false);
    auto* plotsPage = new QSplitter(Qt::Vertical);
    plotsPage->addWidget(m_curve);
    plotsPage->addWidget(m_residuals);
    plotsPage->setChildrenCollapsible(false);
    m_tabs = new QTabWidget();
    m_tabs->setObjectName(QStringLiteral("FillTabs"));
    m_tabs->addTab(logPage, kLogTab);
    m_tabs->addTab(resultsPage, kResultsTab);
    m_tabs->addTab(plotsPage, kPlotsTab);

    auto* bottom = new QHBoxLayout();
    bottom->addWidget(m_stale, 1);
    bottom->addWidget(m_buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(bottom);
    // roomy where the screen allows, never larger than it leaves for the window and its frame
    const QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() - QSize(16, 40) : kRoomy;
    resize(kRoomy.boundedTo(room).expandedTo(minimumSizeHint()));

    connect(load, &QPushButton::clicked, this, &FillDialog::LoadClick);
    connect(fit, &QPushButton::clicked, this, &FillDialog::FitClick);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_logText, &QPlainTextEdit::textChanged, this, &FillDialog::logEdited);
    connect(m_doses, &QCheckBox::toggled, this, [this] { updateButtons(); });
    connect(m_points, &QTableWidget::itemChanged, this, [this](const QTableWidgetItem* item) {
        if (item->column() == kExcludeColumn)
            updateButtons();
    });
    // the window looks for the outcome rather than being told, so that nothing of Qt's passes between the threads
    m_poll = new QTimer(this);
    m_poll->setInterval(15);
    connect(m_poll, &QTimer::timeout, this, &FillDialog::pollFit);
    if (saved && saved->shape == m_shape && !saved->points.empty())
        showSaved(*saved);
    updateButtons();
}

// The saved fit as it was applied; its points, with their lines in the original log, are fitted again until the
// text is edited.
void FillDialog::showSaved(const FitResult& saved)
{
    m_logText->setPlainText(savedLogText(saved));
    FillLog log;
    log.fileName = saved.logFile;
    for (const auto& p : saved.points)
        log.points.push_back({p.level, p.volume, p.line});
    m_savedLog = log;
    m_fittedLog = std::move(log);
    m_logFile = QString::fromStdString(saved.logFile);
    m_logEdited = false;
    m_fitDoses = false;
    for (QCheckBox* box : m_free) {
        const std::string name = box->objectName().mid(5).toStdString();
        box->setChecked(std::ranges::any_of(saved.parameters, [&](const auto& p) { return p.name == name; }));
    }
    m_fit = saved;
    showFit();
    m_tabs->setCurrentIndex(1);
}

// A fit still computing works on its own copies: the dialog may go before it ends.
FillDialog::~FillDialog() = default;

bool FillDialog::loadLogFile(const QString& path)
{
    const auto text = readRegularFile(QFile::encodeName(path).toStdString(), kLargestLogFile);
    if (!text) {
        const TankFileError& e = text.error();
        const QString reason = e.fault == TankFileFault::NotRegularFile
                                   ? QStringLiteral("это не обычный файл")
                                   : QString::fromStdString(systemReasonText(e.systemError != 0 ? e.systemError : EIO));
        messages().error(kCannotRead.arg(QFileInfo(path).fileName(), reason));
        return false;
    }
    if (text->size() > kLargestLogFile) {
        messages().error(kCannotRead.arg(QFileInfo(path).fileName(), kTooLong.arg(kLargestLogFile >> 20U)));
        return false;
    }
    m_logText->setPlainText(QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size())));
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
    m_savedLog.reset();
    m_logEdited = true;
    updateButtons();
}

bool FillDialog::fitIsCurrent() const
{
    if (!m_fit || m_logEdited || m_doses->isChecked() != m_fitDoses)
        return false;
    const auto names = parameterNames(m_shape);
    for (size_t i = 0; i < m_free.size() && i < names.size(); ++i) {
        const bool fitted =
            std::ranges::any_of(m_fit->parameters, [&](const FitParameter& p) { return p.name == names[i]; });
        if (m_free[i]->isChecked() != fitted)
            return false;
    }
    for (int row = 0; row < m_points->rowCount(); ++row) {
        const auto* box = m_points->item(row, kExcludeColumn);
        const auto at = static_cast<size_t>(row);
        if (box && at < m_fit->points.size() && (box->checkState() == Qt::Checked) != m_fit->points[at].excluded)
            return false;
    }
    return true;
}

void FillDialog::updateButtons()
{
    const bool anyFree = std::any_of(m_free.begin(), m_free.end(), [](const QCheckBox* b) { return b->isChecked(); });
    findChild<QPushButton*>(QStringLiteral("FitButton"))->setEnabled(anyFree && !fitting());
    // a fit whose model cannot describe the log is shown, with the reason, but there is nothing to apply; nor is
    // there when what it was made of has changed since
    const bool current = fitIsCurrent();
    findChild<QPushButton*>(QStringLiteral("ApplyButton"))
        ->setEnabled(m_fit.has_value() && !m_fit->failure && !fitting() && current);
    m_stale->setVisible(m_fit.has_value() && !fitting() && !current);
}

void FillDialog::FitClick()
{
    if (fitting())
        return;
    LogOptions options;
    options.doses = m_doses->isChecked();
    expected<FillLog, LogRefusal> log = FillLog{};
    if (m_savedLog && !options.doses) {
        log = *m_savedLog;
    } else {
        const QByteArray text = m_logText->toPlainText().toUtf8();
        log = parseFillLog(std::string_view(text.constData(), static_cast<size_t>(text.size())),
                           withShapeLimits(options, m_shape));
    }
    if (!log) {
        messages().information(QString::fromStdString(logRefusalText(log.error())));
        return;
    }
    log->fileName = m_logFile.toStdString();

    FitRequest request;
    request.shape = m_shape;
    request.dims = m_dims;
    request.correction = m_correction;
    request.orientation = m_orientation;
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
    m_logEdited = false;
    m_fitDoses = options.doses;
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
    if (m_fit && !m_fit->failure && !fitting() && fitIsCurrent())
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
        m_logEdited = true; // what is shown is no longer a fit of what the boxes hold
        messages().information(QString::fromStdString(fitRefusalText(outcome.error())));
    } else {
        m_fit = std::move(*outcome);
        showFit();
        if (m_tabs->currentIndex() == 0)
            m_tabs->setCurrentIndex(1);
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
    if (const auto model = prepareModel(fit.shape, fit.dims, m_orientation); model.ok()) {
        high = std::max(high, model.model().top() - zero);
        for (int i = 0; i <= kModelSamples; ++i) {
            const double reading = low + (high - low) * i / kModelSamples;
            const double level = reading + zero;
            const double volume = model.model().volume(level) + (m_correction ? m_correction(level) : 0.0) - v0;
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
    setRoundTicks(x, low, high);
    setRoundTicks(y, 0, vHigh);
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
    const double margin = (rHigh - rLow) * 0.05;
    setRoundTicks(rx, low, high);
    setRoundTicks(ry, rLow - margin, rHigh + margin);
    rChart->addAxis(rx, Qt::AlignBottom);
    rChart->addAxis(ry, Qt::AlignLeft);
    attach(rChart, residuals, rx, ry);
    attach(rChart, outliers, rx, ry);
}

} // namespace tarvol
