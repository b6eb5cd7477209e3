#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QString>

#include "calc/run.h"
#include "export/content.h"
#include "fit/fit.h"
#include "tank/table.h"
#include "tank/tank.h"
#include "tank/tankfile.h"
#include "uncertainty/inputs.h"

class QButtonGroup;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QShowEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class TForm2;

namespace Ui {
class TForm1;
}

namespace tarvol {

class MeasuredPanel;

// The decimal separator of the user's number format, as the core writes it; the grid and every document use it.
char decimalSeparator();

// The folder the window's file dialogs start in: the last one a file was chosen in, else the documents folder.
QString fileDialogFolder();
void rememberFileDialogFolder(const QString& path);

// Where a fixed window with a client area of `layout` goes on a screen whose available area is `available`:
// its client geometry, no larger than the layout, with the frame inside the available area.
QRect windowPlacement(QSize layout, QMargins frame, QRect available);

// The main window: shape selector, dimension rows, result grid and the commands around a run.
class TForm1 final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm1)

public:
    static constexpr int kDimensionRows = 8;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // What the exports read: the window as the user sees it.
    using DimensionRow = ::tarvol::DimensionRow;
    using GridRow = ::tarvol::GridRow;
    QString shapeText() const;                // the selector's text
    DimensionRow dimensionRow(int row) const; // rows 1 .. kDimensionRows
    int gridRowCount() const;                 // heading row included
    std::vector<GridRow> gridRows() const;    // rows 1 .. gridRowCount() - 1
    QProgressBar* progressBar() const;

    // The text of the selector's current item (empty when none is current), which names the selected shape.
    QString selectedShapeName() const;
    TForm2* pictureViewer() const { return m_viewer.get(); }

    // The fitted tank of a fill becomes the current one: its fields show the fitted values to a tenth of a
    // millimetre, which the runs then use, and every document states the fit, until the shape or a field changes.
    void applyFit(const FitResult& fit);
    const std::optional<FitResult>& appliedFit() const { return m_tank.fit; }
    // The title block's line of the applied fit; empty without one.
    QString fitLine() const;

    // Folder the program makes sure of at start-up.
    static QString programFolder();

    // The tank as a document (app/tform1_tank.cpp).
    bool openTank(const QString& path); // asks about unsaved changes first; false when nothing was opened
    bool saveTank();                    // to its file, or through "Сохранить как…" for a new tank
    bool saveTankAs();
    QString tankPath() const { return m_tankPath; }
    // The tank the window shows: its fields, shape and decimal places with the tank's passport and modifiers. The
    // one place the window builds a tank; every run and save starts from it.
    Tank currentTank() const;
    // The table of the last run, which the grid, the report and every save format; none in the entering state.
    const std::optional<TankTable>& shownTable() const { return m_table; }
    bool tankModified() const;
    static QStringList recentTanks();

    // The tank's uncertainty budget and shell temperature (app/tform1_uncertainty.cpp): kept in its file,
    // shown as the grid's U columns and in the «Погрешность» report.
    std::optional<UncertaintyInputs> uncertaintyInputs() const;
    void applyUncertainty(const std::optional<UncertaintyInputs>& inputs);
    QString uncertaintyReport() const; // empty without a budget or a table
    // What stands in the tank and the floating roof (app/tform1_uncertainty.cpp): kept in its file, applied to
    // every row.
    const Deadwood& deadwood() const { return m_tank.deadwood; }
    void applyDeadwood(const Deadwood& deadwood);
    // A horizontal tank's pitch, roll and gauge (app/tform1_tilt.cpp): kept in its file, applied to every row.
    const std::optional<Orientation>& orientation() const { return m_tank.orientation; }
    void applyOrientation(const std::optional<Orientation>& orientation);
    // A tank made from its strapping record (app/tform1_measured.cpp): the selector's item after the catalogue.
    bool measuredSelected() const;
    MeasuredPanel* measuredPanel() const { return m_measured; }

signals:
    // A thumbnail was clicked: the picture viewer shows the selected shape's drawing.
    void pictureViewerRequested();
    // Every shape set-up closes the picture viewer.
    void pictureViewerClosed();

public slots:
    void ComboBox1Change();
    void RG1Click();
    void N2Click();
    void N3Click();
    void N4Click();
    void N4Command();
    void N6Click();
    void StringGrid1Exit();
    void Image26Click();
    void FillCommandClick();     // «Градуировка по наливу…»
    void DeadwoodCommandClick(); // «Внутренние детали и понтон…»
    void TiltCommandClick();     // «Наклон…»
    void TiltGridCommandClick(); // «Сетка наклонов…»
    void ProtocolCommandClick(); // «Протокол измерений…»

    // Save commands.
    void D1Click();
    void TxtClick();
    void N8Click();
    void N9Click();
    void N10Click(); // the table for a level sensor

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void fitToScreen();
    bool Edit1KeyPress(QLineEdit* field, const QKeyEvent* key) const; // false: the character is refused
    void Edit1KeyDown(QWidget* field, const QKeyEvent* key);          // serves Edit1 .. Edit9 alike
    void ComboBox1KeyDown(const QKeyEvent* key);
    bool Edit1ContextPopup();
    void selectorEdited(const QString& text);

    void setEnteringState();
    void setCalculatedState();
    void updateActions(bool calculated);
    void lockCommands(bool locked);

    void showErrorLine(const QString& text);
    void fitFontsToLayout();
    void ensureProgramFolder();
    void loadThumbnails();
    void showPictureViewer();
    void closePictureViewer();
    void focusNextTabStop(QWidget* from);
    void focusFirstField();
    void setKeyboardFocus(QWidget* widget, Qt::FocusReason reason);
    void openMenuBar();
    void skipDisabledMenuCommand();
    bool isTabStop(const QWidget* widget) const;

    bool inputComplete() const;
    bool runShape(); // false: the user cancelled the run
    // tableOf() on a worker thread, the window's commands locked while it lasts; a call while another run
    // computes is refused as cancelled
    TableOutcome tableInBackground(const Tank& tank, TableRequest request);
    void showResult(TankTable table);
    void setGridColumns(bool withUncertainty); // two columns, or four narrower ones under two-line headings
    void showTable();                          // the grid's rows, with U columns when the table has U, from m_table
    void editUncertainty();

    void setUpTankMenu();
    void updateTankTitle();
    void updateRecentMenu();
    void tankSetUp(); // a shape set-up begins another tank: its passport's number, owner and date are not carried
    void clearTankCommand();
    bool saveTankTo(const QString& path);
    bool confirmUnsavedChanges(); // false: the user chose to stay
    void applyTank(const Tank& tank);
    TankPassport tablePassport() const; // the tank's, an empty date offered as today's
    void setTablePassport(const TankPassport& passport);
    void forgetFit();
    void setUpMeasured();
    void addMeasuredItem();
    void showMeasuredPanel(bool shown);

    Ui::TForm1* m_ui;
    QAction* m_fillCommand = nullptr;
    QAction* m_deadwoodCommand = nullptr;
    QAction* m_tiltCommand = nullptr;     // for the horizontal shapes only
    QAction* m_tiltGridCommand = nullptr; // likewise
    QAction* m_protocolCommand = nullptr;
    MeasuredPanel* m_measured = nullptr;
    std::unique_ptr<TForm2> m_viewer;
    std::array<QLabel*, kDimensionRows> m_captions{};
    std::array<QLineEdit*, kDimensionRows + 1> m_fields{}; // Edit1 .. Edit9
    std::array<QLabel*, kDimensionRows> m_units{};
    std::vector<QLabel*> m_thumbnails;
    std::vector<QWidget*> m_tabOrder;

    // While a run computes: the locked controls' enabled flags before the lock, and the focus to give back.
    bool m_running = false;
    std::vector<bool> m_enabledBeforeRun;
    QPointer<QWidget> m_focusBeforeRun;

    // A key pressed in the selector is being handled: the set-up it causes leaves the focus there.
    bool m_keyInSelector = false;

    bool m_fittedOnShow = false;

    // The tank's file, as it was last opened or saved, and what the window does not show of the tank.
    QString m_tankPath;
    std::optional<TankDocument> m_savedTank;
    Tank m_tank; // the passport and the modifiers; the fields hold the shape, dimensions and decimals
    QString m_baseTitle;
    QMenu* m_recentMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    bool m_applyingTank = false;

    // Results of the last run.
    int m_decimalPlaces = 0;
    Accuracy m_accuracy;
    QString m_errorLine;
    std::int32_t m_outputStep = 0;

    std::optional<TankTable> m_table;
};

} // namespace tarvol
