// One tank, one table: a tank with each combination of modifiers goes through every output, and every output
// shows the volumes, U and statements of the core's one table of it.

#include <gtest/gtest.h>

#include <cmath>

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStringDecoder>

#include <nlohmann/json.hpp>

#include "app/tankdocument.h"
#include "calc/csv.h"
#include "calc/format.h"
#include "calc/reverse.h"
#include "support.h"
#include "tank/tank.h"
#include "tests/app/form_fixture.h"
#include "uncertainty/statement.h"

namespace tarvol::test {
namespace {

struct OneTankCase {
    const char* name;
    bool fitted; // fitted to the horizontal cylinder's fill log, gauge zero freed
    bool shell;  // the shell at 40 °C
    bool budget; // u of every field 1 mm, of the level 1 mm, a limit of 0,05 %
    bool inside; // a coil, an outside sump and a floating roof with its zone
    bool tilted; // pitched 1°, rolled 3°, a dipstick 400 mm right of the axis; u(pitch) 0,1° with a budget
};

struct Ran {
    int status = -1;
    QByteArray out;
    QString err;
};

Ran run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

Ran table(const QStringList& arguments) { return run(QStringLiteral(TARVOL_TABLE_PATH), arguments); }

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), std::ssize(text)); }

// The lines a table of every millimetre writes as CSV, "level;volume", with the same formatter as every CSV.
QStringList csvLines(const std::vector<double>& volumes, int decimals)
{
    std::string text;
    appendCsvLines(text, volumes, 0, decimals);
    return fromUtf8(text).split(u'\n', Qt::SkipEmptyParts);
}

class OneTank : public FormTest, public ::testing::WithParamInterface<OneTankCase> {
public:
    void SetUp() override
    {
        FormTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tarvol"), QStringLiteral("tarvol"))
            .remove(QStringLiteral("tank"));
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }

    QString file(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    // The case's tank, fitted by the command line where it is fitted, and kept in its file.
    Tank makeTank()
    {
        Tank tank;
        if (GetParam().fitted) {
            const Ran fit = table({QStringLiteral("--fill"), QStringLiteral(TARVOL_FIT_DATA "/horizontal_cylinder.csv"),
                                   QStringLiteral("--free"), QStringLiteral("L,D,zero"), QStringLiteral("--decimals"),
                                   QStringLiteral("3"), QStringLiteral("--save-tank"), file("fitted.tarvol"),
                                   QStringLiteral("8"), QStringLiteral("6000"), QStringLiteral("2000")});
            EXPECT_EQ(fit.status, 0) << fit.err.toStdString();
            auto read = readTank(file("fitted.tarvol").toStdString());
            EXPECT_TRUE(read.has_value());
            if (read)
                tank = std::move(*read);
        } else {
            tank.shape = 8;
            tank.dimensions = {6000, 2000};
            tank.decimals = 3;
        }
        if (GetParam().shell)
            tank.shell = ShellTemperature{40, kSteelExpansion};
        if (GetParam().budget) {
            tank.budget = UncertaintyInputs{};
            tank.budget->dims = {1};
            tank.budget->level = 1;
            tank.budget->limitPercent = 0.05;
        }
        if (GetParam().inside) {
            tank.deadwood.items = {{"змеевик", 200, 400, 100, Spread::Uniform, false, 2.0},
                                   {"приямок", 0, 0, 50, Spread::Uniform, true, std::nullopt}};
            tank.deadwood.roof = FloatingRoof{2000, 800, 1500, 1600};
        }
        if (GetParam().tilted) {
            tank.orientation = Orientation{};
            tank.orientation->pitchDegrees = 1;
            tank.orientation->rollDegrees = 3;
            tank.orientation->gaugeY = 400;
            if (tank.budget)
                tank.budget->pitch = 0.1;
        }
        EXPECT_TRUE(writeTank(file("bak.tarvol").toStdString(), tank).has_value());
        return tank;
    }

    ScriptedTank dialog;

private:
    QTemporaryDir m_dir;
};

TEST_P(OneTank, EveryOutputShowsTheCoresOneTable)
{
    const Tank tank = makeTank();
    const QString path = file("bak.tarvol");
    // the window reads a tank with a gauge zero by its gauge; the command line is asked for the same
    TableRequest request;
    request.separator = ',';
    request.keepLevels = true;
    request.byGauge = true;
    const TableOutcome made = tableOf(tank, request);
    ASSERT_TRUE(made.ok());
    const TankTable& t = made.table();
    ASSERT_EQ(t.hasU, GetParam().fitted || GetParam().budget);
    ASSERT_EQ(t.byGauge, GetParam().fitted);
    ASSERT_FALSE(t.rows.empty());
    QStringList statements; // what every output must state beside the fit, which each states in its own words
    for (const std::string& line : tableStatements(t))
        if (!t.fitLine.empty() && line.find(t.fitLine) != std::string::npos)
            continue;
        else
            statements << fromUtf8(line);
    ASSERT_EQ(statements.isEmpty(), !GetParam().fitted && !GetParam().shell && !GetParam().budget && !GetParam().inside
                                        && !GetParam().tilted);

    // the file reads back to the same tank
    const auto read = readTank(path.toStdString());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(tankFileText(documentOf(*read)), tankFileText(documentOf(tank)));

    // the grid
    ASSERT_TRUE(form->openTank(path));
    ASSERT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();
    ASSERT_EQ(grid()->rowCount(), std::ssize(t.rows) + 1);
    for (std::size_t i = 0; i < t.rows.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        const TableRow& r = t.rows[i];
        EXPECT_EQ(cell(row, 0), QString::number(static_cast<qint64>(r.level))) << row;
        EXPECT_EQ(cell(row, 1), fromUtf8(r.text)) << row;
        // the roof's zone and the readings a tilted tank's gauge cannot see are marked, with the reason
        EXPECT_EQ(grid()->item(row, 0)->toolTip().isEmpty(), !r.roofZone && !r.blind) << row;
        if (t.hasU) {
            EXPECT_EQ(cell(row, 2), fromUtf8(expandedText(r.u.expanded, ','))) << row;
        }
    }
    const QString report = form->uncertaintyReport();
    for (const QString& line : statements)
        EXPECT_TRUE(report.contains(line)) << line.toStdString() << "\n in the report:\n" << report.toStdString();

    // the text file and the two-column spreadsheet copy the grid and its notes
    dialog.paths = {file("emkost.txt"), file("emkost.xlsx")};
    trigger("D1");
    trigger("N8");
    ASSERT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();
    const QString text = QStringDecoder("windows-1251").decode(readAll(file("emkost.txt")));
    const auto cells = XlsxFile(file("emkost.xlsx")).cells(1);
    for (std::size_t i = 0; i < t.rows.size(); ++i) {
        const TableRow& r = t.rows[i];
        EXPECT_TRUE(text.contains(QStringLiteral("\r\n%1\t%2\r\n").arg(r.level).arg(fromUtf8(r.text))));
        const QString row = QString::number(13 + static_cast<int>(i));
        ASSERT_TRUE(cells.count(QStringLiteral("B") + row));
        EXPECT_NEAR(cells.at(QStringLiteral("B") + row).number, r.volume, 5e-4);
    }
    for (const std::string& note : {t.fitLine, t.gaugeLine, t.shellChanged ? t.shellLine : std::string()})
        if (!note.empty()) {
            EXPECT_TRUE(text.contains(
                fromUtf8(note).replace(QStringLiteral("α = 12·10⁻⁶"), QStringLiteral("альфа = 12·10^-6"))))
                << note;
            EXPECT_TRUE(cells.at(QStringLiteral("A11")).text.contains(fromUtf8(note))) << note;
        }

    // the full table in each format, and the same documents made without the window
    dialog.paths = {file("tablica.csv"), file("tablica.pdf"), file("tablica.xlsx")};
    for (int i = 0; i < 3; ++i)
        trigger("N9");
    ASSERT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();
    QStringList every = csvLines(t.levelVolumes, t.decimals);
    if (t.hasU)
        for (qsizetype level = 0; level < every.size(); ++level)
            every[level] += u';' + fromUtf8(expandedText(t.levelU[static_cast<std::size_t>(level)], '.'));
    const QStringList csv = QString::fromUtf8(readAll(file("tablica.csv"))).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(csv.size(), every.size() + 1);
    EXPECT_EQ(csv.mid(1), every);
    if (const auto pages = pdfPages(file("tablica.pdf"))) {
        const QString pdf = pages->join(u'\n').simplified();
        for (const QString& line : statements)
            EXPECT_TRUE(pdf.contains(line.simplified())) << line.toStdString();
        EXPECT_TRUE(pdf.contains(fromUtf8(t.fitLine).simplified()));
        EXPECT_EQ(pdf.contains(QStringLiteral("U, л")), t.hasU);
    }
    for (const char* headless : {"headless.csv", "headless.xlsx"}) {
        const Ran document = run(QStringLiteral(TARVOL_PATH),
                                 {QStringLiteral("--tank"), path, QStringLiteral("--save-document"), file(headless)});
        ASSERT_EQ(document.status, 0) << document.err.toStdString();
    }
    EXPECT_EQ(readAll(file("headless.csv")), readAll(file("tablica.csv")));
    const XlsxFile window(file("tablica.xlsx")), headless(file("headless.xlsx"));
    for (int sheet = 2; sheet <= 3; ++sheet) { // the table and its curve; the title carries the day's date
        const auto a = window.cells(sheet), b = headless.cells(sheet);
        ASSERT_EQ(a.size(), b.size()) << sheet;
        for (const auto& [address, c] : a)
            EXPECT_EQ(c.number, b.at(address).number) << address.toStdString();
    }

    // the command line: text, JSON, every millimetre as CSV, the reverse table and the sensor's table
    const QStringList tankArgs{QStringLiteral("--tank"), path, QStringLiteral("--by-gauge")};
    const Ran cliText = table(tankArgs + QStringList{QStringLiteral("--comma")});
    ASSERT_EQ(cliText.status, 0) << cliText.err.toStdString();
    const QString printed = QString::fromUtf8(cliText.out);
    for (const TableRow& r : t.rows) {
        QString line = QStringLiteral("\n%1\t%2").arg(r.level).arg(fromUtf8(r.text));
        if (t.hasU)
            line += u'\t' + fromUtf8(expandedText(r.u.expanded, ',')) + u'\t'
                    + fromUtf8(relativeText(r.u.relative, ',')) + (r.u.overLimit ? QStringLiteral(" *") : QString());
        // a row in the roof's zone or out of the gauge's sight says so after its figures
        EXPECT_TRUE(printed.contains(line + (r.roofZone || r.blind ? QString() : QStringLiteral("\n"))))
            << line.toStdString();
    }
    for (const QString& line : statements)
        EXPECT_TRUE(printed.contains(line)) << line.toStdString();

    const Ran cliJson = table(tankArgs + QStringList{QStringLiteral("--json")});
    ASSERT_EQ(cliJson.status, 0) << cliJson.err.toStdString();
    const auto json = nlohmann::json::parse(cliJson.out.toStdString());
    ASSERT_EQ(json.at("rows").size(), t.rows.size());
    for (std::size_t i = 0; i < t.rows.size(); ++i) {
        EXPECT_EQ(json["rows"][i]["volume"].get<double>(), t.rows[i].volume) << i;
        if (t.hasU) {
            EXPECT_EQ(json["rows"][i]["U"].get<double>(), t.rows[i].u.expanded) << i;
        }
    }
    EXPECT_EQ(json.at("highest_level").get<double>(), t.highest);

    const Ran cliCsv = table(tankArgs + QStringList{QStringLiteral("--csv")});
    ASSERT_EQ(cliCsv.status, 0) << cliCsv.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(cliCsv.out).split(u'\n', Qt::SkipEmptyParts).mid(1),
              csvLines(t.levelVolumes, t.decimals));

    const Ran cliReverse = table(tankArgs + QStringList{QStringLiteral("--reverse")});
    ASSERT_EQ(cliReverse.status, 0) << cliReverse.err.toStdString();
    const ReverseTable reverse = reverseTable(t.levelVolumes);
    ASSERT_FALSE(reverse.rows.empty());
    const ReverseRow& last = reverse.rows.back();
    EXPECT_TRUE(QString::fromUtf8(cliReverse.out)
                    .contains(fromUtf8(formatGeneral(last.volume, '.') + '\t' + reverseLevelText(last.level, '.'))));

    const Ran sensor = table({QStringLiteral("--tank"), path, QStringLiteral("--sensor")});
    ASSERT_EQ(sensor.status, 0) << sensor.err.toStdString();
    QStringList sensorRows = QString::fromUtf8(sensor.out).split(u'\n', Qt::SkipEmptyParts).mid(1);
    EXPECT_EQ(sensorRows, csvLines(t.levelVolumes, t.decimals));
}

INSTANTIATE_TEST_SUITE_P(Tanks, OneTank,
                         ::testing::Values(OneTankCase{"Plain", false, false, false, false, false},
                                           OneTankCase{"Fitted", true, false, false, false, false},
                                           OneTankCase{"ShellAt40", false, true, false, false, false},
                                           OneTankCase{"WithBudget", false, false, true, false, false},
                                           OneTankCase{"FittedWithBudgetAt40", true, true, true, false, false},
                                           OneTankCase{"DeadwoodAndRoof", false, false, false, true, false},
                                           OneTankCase{"TiltedWithBudget", false, false, true, false, true},
                                           OneTankCase{"EveryModifier", true, true, true, true, true}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace tarvol::test
