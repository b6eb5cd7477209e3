#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QDialog>

#include "sensor/sensor.h"
#include "sensor/settings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;

namespace tarvol {

// What the sensor dialog computes from one set of settings: the table and its breakpoints, or why none.
struct SensorOutcome {
    sensor::Settings settings;
    std::optional<sensor::Table> table;
    sensor::Breakpoints points;
    QString refusal; // the sentence when there is no table
};

// Computes the sensor table of the per-millimetre volumes with the given settings; a set `cancel` ends the search
// with a refusal.
SensorOutcome computeSensor(const std::vector<double>& levelVolumes, int decimals, const sensor::Settings& settings,
                            const std::atomic<bool>* cancel = nullptr);

struct SensorJob;

// «Для датчика уровня»: the sensor's mounting, zero or reference, code range, error and points; shows at once
// how many points and what largest error result, with a plot of the table and its breakpoints.
class SensorDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SensorDialog)

public:
    // `gaugeNote` says where the table's levels are counted from, when the tank has a gauge zero.
    SensorDialog(std::shared_ptr<const std::vector<double>> levelVolumes, int decimals,
                 const sensor::Settings& settings, QWidget* parent = nullptr, const QString& gaugeNote = {});
    ~SensorDialog() override;

    sensor::Settings settings() const;                         // as the controls stand
    const SensorOutcome& outcome() const { return m_outcome; } // the last finished computation
    bool computing() const;                                    // a computation is under way or waiting

signals:
    void outcomeShown(); // the summary and plot show the current settings

private:
    void settingsChanged();
    void startComputation();
    void pollComputation();
    void showOutcome();
    void updateControls();

    std::shared_ptr<const std::vector<double>> m_levelVolumes;
    int m_decimals;

    QRadioButton* m_bottom;
    QRadioButton* m_top;
    QLabel* m_positionLabel;
    QSpinBox* m_position;
    QCheckBox* m_useCode;
    QSpinBox* m_codeEmpty;
    QSpinBox* m_codeFull;
    QSpinBox* m_span;
    QCheckBox* m_useError;
    QDoubleSpinBox* m_error;
    QComboBox* m_errorUnit;
    QCheckBox* m_usePoints;
    QSpinBox* m_points;
    QLabel* m_summary;
    QChart* m_chart;
    QChartView* m_chartView;
    QLineSeries* m_curve;     // the table's rows
    QLineSeries* m_chords;    // the broken line through the breakpoints, as the sensor interpolates
    QLineSeries* m_errorLine; // the broken line less the table, on the right-hand axis
    QScatterSeries* m_marks;
    QPushButton* m_save;
    QTimer* m_delay;
    QTimer* m_poll;

    // the computation under way, shared with its thread; one that is cancelled or replaced is left to end alone
    std::shared_ptr<SensorJob> m_job;
    std::int64_t m_zero = 0;
    std::int64_t m_reference = 0;
    SensorOutcome m_outcome;
    std::string m_format;
};

} // namespace tarvol
