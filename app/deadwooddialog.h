#pragma once

// What stands inside the tank and hangs outside it, and the floating roof: «Внутренние детали и понтон…».

#include <QDialog>

#include "tank/deadwood.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace tarvol {

class DeadwoodDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeadwoodDialog)

public:
    explicit DeadwoodDialog(const Deadwood& current, QWidget* parent = nullptr);

    Deadwood deadwood() const { return m_deadwood; }
    // Reads the rows and the roof; false, with the reason shown in the dialog and the cell focused, when one is wrong.
    bool readFields();
    void accept() override;

    // The items of a CSV file put in the table's place; the reason when the file does not read.
    std::optional<QString> importItems(const QString& path);
    // The table's items written to a CSV file; the reason when they or the file do not allow it.
    std::optional<QString> exportItems(const QString& path);

private:
    void addRow(const DeadwoodItem& item);
    void showItems(const std::vector<DeadwoodItem>& items);
    std::optional<std::vector<DeadwoodItem>> readItems();
    void importCommand();
    void exportCommand();

    QTableWidget* m_items;
    QGroupBox* m_roof;
    QLineEdit* m_mass;
    QLineEdit* m_density;
    QLineEdit* m_zoneFrom;
    QLineEdit* m_zoneTo;
    QLabel* m_problem;
    Deadwood m_deadwood;
};

} // namespace tarvol
