// «Протокол измерений»: the corrected diameters and volumes of a record whose figures are known, the refusal of a
// record that cannot be a tank, and the PDF made in the window's absence.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "export/protocol.h"

namespace tarvol {
namespace {

// Two courses of inner diameter 6000 and 5990 mm at 20 °C, read by a tape at 20 °C on a shell at 20 °C.
StrappingRecord knownRecord()
{
    StrappingRecord r;
    r.paint = 0.3;
    for (const auto& [diameter, thickness] : {std::pair{6000.0, 8.0}, std::pair{5990.0, 6.0}}) {
        const double outside = std::numbers::pi * (diameter + 2 * thickness + 2 * r.paint);
        r.courses.push_back({1500, thickness, {outside - 0.5, outside + 0.5}});
    }
    return r;
}

TEST(MeasurementProtocol, ListsTheReadingsAndDiametersOfEveryCourse)
{
    TankPassport passport;
    passport.tankNumber = "РВС-7";
    const auto protocol = protocolOf(knownRecord(), passport, ',');
    ASSERT_TRUE(protocol.has_value());
    EXPECT_TRUE(protocol->head.contains(QStringLiteral("Номер резервуара: РВС-7")));
    ASSERT_EQ(protocol->courses.size(), 2u);
    // the figures: diameters at 20 °C and the full volume π/4·(6000² + 5990²)·1500 mm³ in litres
    EXPECT_EQ(protocol->courses[0][7], QStringLiteral("6000,00"));
    EXPECT_EQ(protocol->courses[1][7], QStringLiteral("5990,00"));
    EXPECT_EQ(protocol->courses[1][1], QStringLiteral("1500 – 3000"));
    EXPECT_TRUE(protocol->bottom.contains(QStringLiteral("Полный объём резервуара при 20 °C: 84681,748 л.")))
        << protocol->bottom.join(u'\n').toStdString();

    StrappingRecord broken = knownRecord();
    broken.courses[1].height = -5;
    const auto refused = protocolOf(broken, passport, ',');
    ASSERT_FALSE(refused.has_value());
    EXPECT_TRUE(refused.error().startsWith(QStringLiteral("strapping.courses[1].height_mm")));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("protocol.pdf"));
    ASSERT_TRUE(writeProtocolPdf(pdf, *protocol).ok());
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.read(5).startsWith("%PDF"));
}

#ifdef TARVOL_PATH
TEST(MeasurementProtocol, TarvolWritesItFromTheTankFileWithoutTheWindow)
{
    QTemporaryDir dir;
    const QString tank = dir.filePath(QStringLiteral("rvs.tarvol"));
    QFile file(tank);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"format": "tarvol-tank", "version": 1, "shape": "measured-vertical",
        "strapping": {"courses": [{"height_mm": 1490, "thickness_mm": 10, "circumferences_mm": [18913.4]}]}})");
    file.close();
    const auto run = [&](const QString& out) {
        QProcess headless;
        headless.start(QStringLiteral(TARVOL_PATH),
                       {QStringLiteral("--tank"), tank, QStringLiteral("--save-protocol"), out});
        EXPECT_TRUE(headless.waitForFinished(60000));
        return headless.exitCode();
    };
    EXPECT_EQ(run(dir.filePath(QStringLiteral("p.pdf"))), 0);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("p.pdf"))));
    EXPECT_EQ(run(dir.filePath(QStringLiteral("p.xlsx"))), 64);
}
#endif

} // namespace
} // namespace tarvol
