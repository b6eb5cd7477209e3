#pragma once

// A horizontal tank's pitch and roll and its gauge's place and kind: «Наклон…», with a drawing of the tilted
// section and side view that follows the fields.

#include <optional>
#include <vector>

#include <QDialog>
#include <QWidget>

#include "calc/tilt.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tarvol {

// The tank across (the section, rolled) and along (the shell, pitched), the gauge in both and a surface halfway.
class TiltSketchView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TiltSketchView)

public:
    explicit TiltSketchView(QWidget* parent = nullptr);
    void show(const std::optional<TiltSketch>& sketch, const Orientation& orientation);
    QSize sizeHint() const override { return {480, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<TiltSketch> m_sketch;
    Orientation m_orientation;
};

class TiltDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TiltDialog)

public:
    // dims: the fields as they stand (NaN where not filled); a rise in mm needs them, and so do the checks.
    TiltDialog(int shape, std::vector<double> dims, const std::optional<Orientation>& current,
               QWidget* parent = nullptr);

    // None: the tank stands level, read as the shape reads it.
    const std::optional<Orientation>& orientation() const { return m_orientation; }
    // Reads and checks the fields; false, with the reason shown and the field focused, when one is wrong.
    bool readFields();
    void accept() override;

private:
    // The fields as an orientation, angles from rises converted; the field at fault and why when one does not read.
    struct Fault {
        QLineEdit* field = nullptr;
        QString reason;
    };
    std::optional<Orientation> typed(Fault& fault) const;
    void redraw();
    void clearFields();

    int m_shape;
    std::vector<double> m_dims;
    QFormLayout* m_form = nullptr;
    QLineEdit* m_pitch;
    QComboBox* m_pitchUnit;
    QLineEdit* m_roll;
    QComboBox* m_rollUnit;
    QLineEdit* m_gaugeX;
    QLineEdit* m_gaugeY;
    QRadioButton* m_vertical;
    QRadioButton* m_fixed;
    TiltSketchView* m_sketch;
    QLabel* m_problem;
    std::optional<Orientation> m_orientation;
};

} // namespace tarvol
