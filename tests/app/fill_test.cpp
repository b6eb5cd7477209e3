// «Градуировка по наливу…»: the dialog's fit, an outlier excluded and refitted, and the fitted tank applied.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include "app/filldialog.h"
#include "app/tankdocument.h"
#include "form_fixture.h"

namespace {

const QString kData = QStringLiteral(TARVOL_FIT_DATA);

class FillCommand : public FormTest {
public:
    // The horizontal cylinder of the drawing L 6000, D 2000.
    void SetUp() override
    {
        FormTest::SetUp();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        chooseOrientation(1);
        chooseItem(0);
        enter(1, QStringLiteral("6000"));
        enter(2, QStringLiteral("2000"));
    }

    // Loads `log`, frees `names` and fits, waiting for the worker.
    void fit(tarvol::FillDialog& dialog, const QString& log, const QStringList& names)
    {
        ASSERT_TRUE(dialog.loadLogFile(kData + u'/' + log));
        for (const QString& name : names)
            dialog.findChild<QCheckBox*>(QStringLiteral("Free_") + name)->setChecked(true);
        refit(dialog);
    }

    void refit(tarvol::FillDialog& dialog)
    {
        QSignalSpy ended(&dialog, &tarvol::FillDialog::fitEnded);
        dialog.findChild<QPushButton*>(QStringLiteral("FitButton"))->click();
        ASSERT_TRUE(ended.wait(10000));
    }

    static int rowOfLine(const QTableWidget* table, int line)
    {
        for (int row = 0; row < table->rowCount(); ++row)
            if (table->item(row, 0)->text() == QString::number(line))
                return row;
        return -1;
    }
};

TEST_F(FillCommand, SitsInTheTankMenu)
{
    auto* menu = control<QMenu>("TankMenu");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title().remove(u'&'), QStringLiteral("Ёмкость"));
    EXPECT_TRUE(menu->actions().contains(control<QAction>("FillCommand")));
    EXPECT_EQ(control<QAction>("FillCommand")->text(), QStringLiteral("&Градуировка по наливу…"));
    // opening the menu refreshes the recent files, with none as after a first start: the command stays offered
    QMetaObject::invokeMethod(menu, "aboutToShow");
    EXPECT_TRUE(menu->actions().contains(control<QAction>("FillCommand")));
    EXPECT_TRUE(control<QAction>("FillCommand")->isVisible());
    EXPECT_TRUE(menu->actions().at(menu->actions().indexOf(control<QAction>("FillCommand")) - 1)->isSeparator());
}

// The reading 20 mm off is marked; excluded and refitted it leaves the fit and the spread shrinks.
TEST_F(FillCommand, ExcludesTheOutlierAndRefits)
{
    tarvol::FillDialog dialog(8, {6000, 2000}, form.get());
    fit(dialog, QStringLiteral("outlier.csv"), {"L", "D", "zero"});
    ASSERT_TRUE(dialog.fit());
    const double before = dialog.fit()->residualRms;
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("ResidualTable"));
    const int row = rowOfLine(table, 15);
    ASSERT_GE(row, 0);
    EXPECT_TRUE(table->item(row, 4)->text().endsWith(QStringLiteral("выброс")));
    EXPECT_EQ(dialog.findChild<QTableWidget*>(QStringLiteral("ParameterTable"))->rowCount(), 3);

    table->item(row, 6)->setCheckState(Qt::Checked);
    refit(dialog);

    ASSERT_TRUE(dialog.fit());
    EXPECT_TRUE(dialog.fit()->points[static_cast<size_t>(row)].excluded);
    EXPECT_EQ(dialog.fit()->dof, before > 0 ? 29 - 3 : 0);
    EXPECT_LT(dialog.fit()->residualRms, before / 3);
    EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("ApplyButton"))->isEnabled());
    EXPECT_TRUE(messages.shown.empty());
}

// A sphere's log fitted as a horizontal cylinder: the fit is shown with why its model cannot be the tank, and
// nothing can be applied.
TEST_F(FillCommand, AFitTheShapeCannotMakeIsNotApplied)
{
    tarvol::FillDialog dialog(8, {2000, 2000}, form.get());
    fit(dialog, QStringLiteral("sphere.csv"), {"L", "D", "zero"});
    ASSERT_TRUE(dialog.fit());
    EXPECT_TRUE(dialog.fit()->failure);
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("WarningLabel"))
                    ->text()
                    .startsWith(QStringLiteral("Модель этой формы не описывает журнал налива")));
    EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("ApplyButton"))->isEnabled());
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(messages.shown.empty());
}

// Applied, the fitted tank is the current one: its fields to a tenth, a table from them, the fit in the title.
TEST_F(FillCommand, AppliedFitIsTheTankTheRunsUse)
{
    tarvol::FillDialog dialog(8, {6000, 2000}, form.get());
    fit(dialog, QStringLiteral("horizontal_cylinder.csv"), {"L", "D", "zero"});
    ASSERT_TRUE(dialog.fit());
    form->applyFit(*dialog.fit());

    EXPECT_EQ(field(1)->text(), QStringLiteral("6014,8"));
    EXPECT_EQ(field(2)->text(), QStringLiteral("1991,1"));
    EXPECT_EQ(form->fitLine(), QStringLiteral("по результатам градуировки наливом: точек 73, СКО остатков 7,379 л, "
                                              "журнал horizontal_cylinder.csv"));
    trigger("N2");
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join('\n').toStdString();
    // by the gauge's reading from the fitted zero: the step of a 1991,1 mm tank is 199, the last reading 1986
    ASSERT_EQ(grid()->rowCount(), 10);
    EXPECT_EQ(cell(9, 0), QStringLiteral("1791"));
    const QString table = cell(9, 1);

    // saved and opened again, the tank is the fitted one as applied
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fitted.tarvol"));
    ASSERT_TRUE(tarvol::writeTank(path.toStdString(), form->currentTank()).has_value());
    trigger("N5");
    ASSERT_TRUE(form->openTank(path));
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(form->fitLine(), QStringLiteral("по результатам градуировки наливом: точек 73, СКО остатков 7,379 л, "
                                              "журнал horizontal_cylinder.csv"));
    ASSERT_EQ(grid()->rowCount(), 10);
    EXPECT_EQ(cell(9, 1), table);

    // the document made without the window is of the fitted tank too
    const QString csv = dir.filePath(QStringLiteral("fitted.csv"));
    ASSERT_EQ(tarvol::saveTankDocument(path, csv), tarvol::kDocumentMade);
    QFile made(csv);
    ASSERT_TRUE(made.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = made.readAll().split('\n');
    ASSERT_EQ(lines.size(), 1989); // a heading, every reading 0 .. 1986, the last line's end
    EXPECT_TRUE(lines[1792].startsWith("1791;" + table.toLatin1())) << lines[1792].toStdString();

    // a field typed over is the user's tank again
    trigger("N4");
    field(1)->setFocus();
    QTest::keyClick(field(1), Qt::Key_End);
    QTest::keyClick(field(1), Qt::Key_Backspace);
    EXPECT_TRUE(form->fitLine().isEmpty());
}

} // namespace
