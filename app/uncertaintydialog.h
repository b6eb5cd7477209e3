#pragma once

// The uncertainty budget of the tank and its shell temperature, as «Погрешность» offers them.

#include <optional>
#include <vector>

#include <QDialog>

#include "uncertainty/inputs.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;

namespace tarvol {

class UncertaintyDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UncertaintyDialog)

public:
    // The fields of shape `shape`, filled from `current`.
    UncertaintyDialog(int shape, const std::optional<UncertaintyInputs>& current, QWidget* parent = nullptr);

    // What the user typed; nothing when every field is empty (no uncertainty, the table at 20 °C).
    std::optional<UncertaintyInputs> inputs() const { return m_inputs; }
    // Reads the fields; false, with the reason shown in the dialog, when one holds no valid number.
    bool readFields();

    void accept() override;

private:
    void clearFields();

    int m_shape;
    QFormLayout* m_form = nullptr;
    std::vector<QLineEdit*> m_dims; // uDim1 .. uDimN
    QLineEdit* m_level;
    QLineEdit* m_pitch = nullptr; // for a horizontal shape only
    QLineEdit* m_roll = nullptr;
    QLineEdit* m_coverage;
    QLineEdit* m_limit;
    QLineEdit* m_temperature;
    QComboBox* m_material;
    QLabel* m_problem;
    std::optional<UncertaintyInputs> m_inputs;
};

} // namespace tarvol
