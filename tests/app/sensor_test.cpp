// «Для датчика уровня…»: the dialog's summary for known figures, and the save through the window.

#include <QChartView>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QValueAxis>

#include <cmath>

#include "app/sensordialog.h"
#include "export/savedialog.h"
#include "form_fixture.h"

namespace {

struct DialogCase {
    const char* name;
    tarvol::sensor::Settings settings;
    QString summary; // what the summary line must contain
    bool saveable;
};
void PrintTo(const DialogCase& row, std::ostream* out) { *out << row.name; }

tarvol::sensor::Settings withError(std::int64_t micro, bool percent)
{
    tarvol::sensor::Settings s;
    s.maxError = tarvol::sensor::ErrorLimit{micro, percent};
    return s;
}

tarvol::sensor::Settings withPoints(std::int64_t points)
{
    tarvol::sensor::Settings s;
    s.maxPoints = points;
    return s;
}

tarvol::sensor::Settings fromTop(std::int64_t reference)
{
    tarvol::sensor::Settings s;
    s.geometry.mounting = tarvol::sensor::Mounting::Top;
    s.geometry.reference = reference;
    return s;
}

// horizontal cylinder L 6000, D 2000: its volumes to 0.001 l at every millimetre
std::shared_ptr<const std::vector<double>> cylinderVolumes()
{
    tarvol::RunOptions options;
    options.decimalPlaces = 3;
    options.keepEveryLevel = true;
    const std::vector<double> dims{6000, 2000};
    return std::make_shared<const std::vector<double>>(
        tarvol::calculate(*tarvol::findShapeByKey("horizontal-cylinder"), dims, options).result().levelVolumes);
}

class SensorDialogSummary : public ::testing::TestWithParam<DialogCase> {};

// horizontal cylinder L 6000, D 2000, volumes to 0.001 l: figures of tests/sensor/reference.py
TEST_P(SensorDialogSummary, ShowsPointsAndErrorAtOnce)
{
    const auto volumes = cylinderVolumes();
    tarvol::SensorDialog dialog(volumes, 3, GetParam().settings);
    QSignalSpy shown(&dialog, &tarvol::SensorDialog::outcomeShown);
    ASSERT_TRUE(shown.wait(20000));
    EXPECT_TRUE(dialog.findChild<QLabel*>("SensorSummary")->text().contains(GetParam().summary))
        << dialog.findChild<QLabel*>("SensorSummary")->text().toStdString();
    EXPECT_EQ(dialog.findChild<QPushButton*>("SaveSensor")->isEnabled(), GetParam().saveable);
    if (!GetParam().saveable)
        return;
    // the plot: the broken line through every breakpoint, its error peaking at the reported one, round ticks
    const auto* chart = dialog.findChild<QChartView*>("SensorPlot")->chart();
    const auto* chords = chart->findChild<QLineSeries*>("SensorChords");
    const auto* error = chart->findChild<QLineSeries*>("SensorError");
    ASSERT_TRUE(chords && error);
    EXPECT_EQ(chords->count(), static_cast<int>(dialog.outcome().points.points.size()));
    double peak = 0;
    for (const QPointF& p : error->points())
        peak = std::max(peak, std::abs(p.y()));
    EXPECT_NEAR(peak, dialog.outcome().points.maxErrorLitres, 1e-6);
    for (auto* axis : chart->axes()) {
        const auto* values = qobject_cast<QValueAxis*>(axis);
        ASSERT_EQ(values->tickType(), QValueAxis::TicksDynamic);
        const double step = values->tickInterval();
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9
                    || std::abs(mantissa - 2.5) < 1e-9)
            << values->min() << " … " << values->max() << " by " << step;
        EXPECT_NEAR(std::remainder(values->min(), step), 0, 1e-9 * step);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SensorDialogSummary,
    ::testing::Values(DialogCase{"QuarterPercent", withError(250'000, true),
                                 "Точек: 10, наибольшая погрешность 47,039 л", true},
                      DialogCase{"Permille", withError(100'000, true), "Точек: 16", true},
                      DialogCase{"ElevenPoints", withPoints(11), "Точек: 10, наибольшая погрешность 43,225 л", true},
                      // the straight line from empty to full: 2175595601/2000 l at 1619 mm, every digit shown
                      DialogCase{"TwoPoints", withPoints(2), "Точек: 2, наибольшая погрешность 1087,798 л", true},
                      DialogCase{"FullTable", tarvol::sensor::Settings{}, "Строк таблицы: 2001. Точек: 2001.", true},
                      DialogCase{"TopStartsAtTheTop", fromTop(0), "Строк таблицы: 2001", true},
                      DialogCase{"ZeroAboveTop",
                                 [] {
                                     tarvol::sensor::Settings s;
                                     s.geometry.zero = 5000;
                                     return s;
                                 }(),
                                 "Нуль датчика (Z = 5000 мм) выше верха ёмкости (2000 мм).", false},
                      DialogCase{"TooFewPoints",
                                 [] {
                                     auto s = withError(10'000, true);
                                     s.maxPoints = 5;
                                     return s;
                                 }(),
                                 "не более 5", false}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Closing the dialog while it searches returns at once: the search is told to stop and left to end on its own.
// Whole litres of a vertical cylinder 300 m tall with 5 points is a search of minutes.
// Every row first (no error), then eleven points (tens of litres): the error axis moves by five orders of magnitude
// without laying out a tick for every step of its old interval.
TEST(SensorDialogPlot, FollowsAnOutcomeOfAnotherScale)
{
    const auto volumes = cylinderVolumes();
    tarvol::SensorDialog dialog(volumes, 3, tarvol::sensor::Settings{});
    QSignalSpy shown(&dialog, &tarvol::SensorDialog::outcomeShown);
    ASSERT_TRUE(shown.wait(20000));
    dialog.findChild<QCheckBox*>("UsePoints")->setChecked(true);
    ASSERT_TRUE(shown.wait(20000));
    const auto* axis =
        qobject_cast<QValueAxis*>(dialog.findChild<QChartView*>("SensorPlot")->chart()->axes(Qt::Vertical).value(1));
    ASSERT_TRUE(axis);
    EXPECT_GE(axis->max(), dialog.outcome().points.maxErrorLitres);
    EXPECT_LE((axis->max() - axis->min()) / axis->tickInterval(), 12);
}

TEST(SensorDialogClose, DoesNotWaitForTheSearch)
{
    tarvol::RunOptions options;
    options.keepEveryLevel = true;
    const std::vector<double> dims{300'000, 1000};
    auto volumes = std::make_shared<const std::vector<double>>(
        tarvol::calculate(*tarvol::findShapeByKey("vertical-cylinder"), dims, options).result().levelVolumes);
    QElapsedTimer clock;
    {
        auto dialog = std::make_unique<tarvol::SensorDialog>(volumes, 0, withPoints(5));
        QTest::qWait(300);
        ASSERT_TRUE(dialog->computing());
        clock.start();
    }
    EXPECT_LT(clock.elapsed(), 2000);
}

// Answers the save dialog with a scripted path and format.
class ScriptedSave final : public tarvol::SaveDialogService {
public:
    std::optional<tarvol::SaveChoice> choose(const tarvol::SaveRequest& request) override
    {
        filters = request.filters;
        return tarvol::SaveChoice{path, filter};
    }
    QString path;
    int filter = 0;
    QStringList filters;
};

class SensorSave : public FormTest {};

TEST_F(SensorSave, WritesTheChosenFormatThroughTheWindow)
{
    chooseOrientation(1);
    chooseItem(0); // horizontal cylinder
    enter(1, "3000");
    enter(2, "1000");
    trigger("N2");
    ASSERT_TRUE(offered("N10"));
    EXPECT_EQ(control<QAction>("N10")->text(), QStringLiteral("Для датчика &уровня…"));

    QTemporaryDir folder;
    ScriptedSave save;
    save.path = folder.filePath("sensor.txt");
    save.filter = 1; // X Y pairs
    auto* previous = tarvol::setSaveDialogService(&save);
    // the dialog is modal: once its first outcome is shown, ask for an error (0.25 % is offered) and save
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<tarvol::SensorDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->computing())
            return;
        auto* useError = dialog->findChild<QCheckBox*>("UseError");
        if (!useError->isChecked()) {
            useError->setChecked(true);
            return;
        }
        poll.stop();
        dialog->findChild<QPushButton*>("SaveSensor")->click();
    });
    poll.start();
    trigger("N10");
    poll.stop();
    tarvol::setSaveDialogService(previous);

    EXPECT_EQ(save.filters, (QStringList{"CSV (*.csv)", "Пары «X Y» (*.txt)", "YAML (*.yaml)", "JSON (*.json)",
                                         "Отрезки «x;a;b» (*.seg)", "ESPHome, ломаная по точкам (*.yml)"}));
    QFile file(save.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.startsWith("0 0\n")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("1000 2356\n")) << text.toStdString();
    EXPECT_LT(text.count('\n'), 20);
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
