#pragma once

// «Градуировка по наливу…»: load or paste a fill log, tick the free parameters, fit, look at the residuals,
// exclude a point and fit again, and hand the fitted tank to the window.

#include <memory>
#include <optional>
#include <vector>

#include <QDialog>

#include "fit/filllog.h"
#include "fit/fit.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
class QTimer;

class QChartView;

namespace tarvol {

struct FitJob;

class FillDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FillDialog)

public:
    // The drawing of shape `shape`: the starting values and the fields that stay fixed.
    FillDialog(int shape, std::vector<double> dims, QWidget* parent = nullptr);
    ~FillDialog() override;

    // The last fit shown; one with a failure is never accepted.
    const std::optional<FitResult>& fit() const { return m_fit; }
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
    void logEdited();
    void pollFit();
    void showFit();
    void showPlots();
    void updateButtons();

    int m_shape;
    std::vector<double> m_dims;
    QString m_logFile; // the loaded file's name, until the text is edited

    QPlainTextEdit* m_logText = nullptr;
    QCheckBox* m_doses = nullptr;
    std::vector<QCheckBox*> m_free; // one per parameter, in parameterNames order
    QTableWidget* m_parameters = nullptr;
    QTableWidget* m_points = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_warnings = nullptr;
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
