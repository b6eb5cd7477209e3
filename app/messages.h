#pragma once

#include <optional>
#include <set>

#include <QLocale>
#include <QString>

class QMessageBox;

class QDialog;
class QDialogButtonBox;
class QLabel;
class QValueAxis;
class QWidget;

namespace tarvol {

// The answer to unsaved changes: save them first, drop them, or stay where the user was.
enum class UnsavedAnswer { Save, Discard, Cancel };

// Every message box of the program goes through here, so tests can record them instead of
// running a modal loop.
class MessageService {
public:
    virtual ~MessageService() = default;

    // Plain box: no icon, OK, the program's name as caption.
    virtual void information(const QString& text) = 0;
    // A failure the program reports as an error: error icon, full stop appended as errors get one.
    virtual void error(const QString& text) = 0;
    // Yes/No; true for Yes.
    virtual bool question(const QString& text, const QString& caption) = 0;
    // Сохранить / Не сохранять / Отмена.
    virtual UnsavedAnswer unsavedChanges(const QString& text) = 0;
    // The plain box with a second button that leads on; true when that button was chosen.
    virtual bool informationWithAction(const QString& text, const QString& action)
    {
        (void)action;
        information(text);
        return false;
    }
};

// The service in use; the modal boxes unless a test installed its own.
MessageService& messages();

// Installs `service` (not owned) and returns the previous one; nullptr goes back to the modal boxes.
MessageService* setMessageService(MessageService* service);

// The caption every box carries: the program file's name without its extension.
QString messageCaption();

// An error's text as the error box shows it: a full stop is appended when the last character
// sorts after ".", so "!" and "." endings stay as they are.
QString errorBoxText(const QString& message);

// Widens `box` so that no line of its text wraps: Qt wraps any line wider than half the screen.
void keepLinesWhole(QMessageBox& box);

// The locale the dialogs show numbers in, whatever the user's: the decimal comma, no group separator.
QLocale dialogLocale();

// `text` with an access key on its first letter not in `taken` (case-insensitive), which then takes it too; text
// that already has one, or no free letter, stays as it is.
QString withAccessKey(const QString& text, std::set<QChar>& taken);

// A tick interval of 1, 2 or 5 × 10ⁿ that divides `span` into at most `most` intervals; 1 for an empty span.
double roundTickInterval(double span, int most);
// The axis over [low, high] widened to round ticks, labelled with as many decimals as their interval needs.
void setRoundTicks(QValueAxis* axis, double low, double high);

// The red line under a dialog's fields that says what is wrong with them (named "problem").
QLabel* problemLabel(QWidget* parent);
// «ОК» and «Отмена», wired to the dialog's accept and reject.
QDialogButtonBox* okCancelButtons(QDialog* dialog);

// A number as the user types it: either decimal mark, either minus sign, spaces around; none when it is not a
// finite number.
std::optional<double> typedDecimal(const QString& text);

} // namespace tarvol
