#pragma once

// «Градуировка по наливу…»: load or paste a fill log, tick the free parameters, fit, look at the residuals,
// exclude a point and fit again, and hand the fitted tank to the window. The log, the results and the plots are
// tabs, so that the dialog fits a small screen.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QDialog>

#include "calc/tilt.h"
#include "fit/filllog.h"
#include "fit/fit.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPlainTextEdit;
class QTabWidget;
class QTableWidget;
class QTimer;

class QChartView;

namespace tarvol {

struct FitJob;

class FillDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FillDialog)

public:
    // The drawing of shape `shape`: the starting values and the fields that stay fixed. A fit the tank already has
    // is shown as it was applied: its log, free parameters, exclusions and results.
    FillDialog(int shape, std::vector<double> dims, QWidget* parent = nullptr,
               const std::optional<FitResult>& saved = std::nullopt);
    ~FillDialog() override;

    // The last fit shown; one with a failure, or whose log, free parameters or exclusions have changed since, is
    // never accepted.
    const std::optional<FitResult>& fit() const { return m_fit; }
    // The fit shown was made of the log, free parameters and exclusions as they now stand.
    bool fitIsCurrent() const;
    // Litres what stands in the tank adds to the shell at a level: the log measured the tank with it.
    void setCorrection(std::function<double(double)> correction) { m_correction = std::move(correction); }
    // A tilted tank is fitted, and its model drawn, in its orientation: the log read its gauge.
    void setOrientation(const std::optional<Orientation>& orientation) { m_orientation = orientation; }
    void accept() override;
    // The fit is still being computed.
    bool fitting() const { return m_job != nullptr; }

    // Reads the log from a file into the text box; false and a message when it cannot be read.
    bool loadLogFile(const QString& path);

signals:
    // A fit ended, with a result or a message.
    void fitEnded();

public slots:
    void LoadClick();
    void FitClick();

private:
    void showSaved(const FitResult& saved);
    void logEdited();
    void pollFit();
    void showFit();
    void showPlots();
    void updateButtons();

    int m_shape;
    std::vector<double> m_dims;
    std::function<double(double)> m_correction;
    std::optional<Orientation> m_orientation;
    QString m_logFile; // the loaded file's name, until the text is edited
    // the points a saved fit was made of, with their lines in the original log, while its text is not edited
    std::optional<FillLog> m_savedLog;
    bool m_logEdited = false; // since the shown fit was started
    bool m_fitDoses = false;  // the doses box as it stood for the shown fit

    QPlainTextEdit* m_logText = nullptr;
    QCheckBox* m_doses = nullptr;
    std::vector<QCheckBox*> m_free; // one per parameter, in parameterNames order
    QTableWidget* m_parameters = nullptr;
    QTableWidget* m_points = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_warnings = nullptr;
    QLabel* m_stale = nullptr;
    QTabWidget* m_tabs = nullptr;
    QChartView* m_curve = nullptr;
    QChartView* m_residuals = nullptr;
    QDialogButtonBox* m_buttons = nullptr;

    std::optional<FitResult> m_fit;
    FillLog m_fittedLog;          // the log the shown fit was made from
    std::vector<bool> m_excluded; // per point of m_fittedLog, as the table's boxes were ticked
    // the fit under way, shared with its thread, which it outlives when the dialog goes first
    std::shared_ptr<FitJob> m_job;
    QTimer* m_poll = nullptr;
};

} // namespace tarvol
