#include "app/messages.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QValueAxis>

namespace tarvol {
namespace {

class ModalBoxes final : public MessageService {
public:
    void information(const QString& text) override { show(QMessageBox::NoIcon, text); }
    void error(const QString& text) override { show(QMessageBox::Critical, errorBoxText(text)); }
    bool question(const QString& text, const QString& caption) override
    {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                        QApplication::activeWindow());
        // the program's own words, whether or not Qt's translations are installed
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Да"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Нет"));
        keepLinesWhole(box);
        return box.exec() == QMessageBox::Yes;
    }

    UnsavedAnswer unsavedChanges(const QString& text) override
    {
        QMessageBox box(QMessageBox::Warning, messageCaption(), text,
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QApplication::activeWindow());
        box.button(QMessageBox::Save)->setText(QStringLiteral("&Сохранить"));
        box.button(QMessageBox::Discard)->setText(QStringLiteral("&Не сохранять"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        keepLinesWhole(box);
        switch (box.exec()) {
        case QMessageBox::Save:
            return UnsavedAnswer::Save;
        case QMessageBox::Discard:
            return UnsavedAnswer::Discard;
        default:
            return UnsavedAnswer::Cancel;
        }
    }

    bool informationWithAction(const QString& text, const QString& action) override
    {
        QMessageBox box(QMessageBox::NoIcon, messageCaption(), text, QMessageBox::Ok, QApplication::activeWindow());
        QPushButton* more = box.addButton(action, QMessageBox::ActionRole);
        keepLinesWhole(box);
        box.exec();
        return box.clickedButton() == more;
    }

private:
    static void show(QMessageBox::Icon icon, const QString& text)
    {
        QMessageBox box(icon, messageCaption(), text, QMessageBox::Ok, QApplication::activeWindow());
        keepLinesWhole(box);
        box.exec();
    }
};

ModalBoxes g_modalBoxes;
MessageService* g_service = &g_modalBoxes;

} // namespace

MessageService& messages() { return *g_service; }

MessageService* setMessageService(MessageService* service)
{
    MessageService* previous = g_service == &g_modalBoxes ? nullptr : g_service;
    g_service = service ? service : &g_modalBoxes;
    return previous;
}

QString messageCaption() { return QCoreApplication::applicationName(); }

void keepLinesWhole(QMessageBox& box)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    box.ensurePolished();
    label->ensurePolished();
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString& line : box.text().split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    // the label's margins and a pixel for rounding
    const QMargins margins = label->contentsMargins();
    const int wanted = widest + margins.left() + margins.right() + 2 * label->margin() + 1;
    // the box is never wider than Qt's own limit for the screen: a longer line wraps rather than being cut off
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    const int limit = (screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000)) - 40;
    label->setWordWrap(wanted > limit);
    label->setMinimumWidth(std::min(wanted, limit));
}

QLocale dialogLocale()
{
    QLocale locale(QLocale::Russian, QLocale::Russia);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString withAccessKey(const QString& text, std::set<QChar>& taken)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&') { // a literal ampersand
            ++i;
            continue;
        }
        taken.insert(text[i + 1].toLower());
        return text;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar key = text[i].toLower();
        if (text[i].isLetter() && (i == 0 || text[i - 1] != u'&') && !taken.contains(key)) {
            taken.insert(key);
            return QString(text).insert(i, u'&');
        }
    }
    return text;
}

double roundTickInterval(double span, int most)
{
    if (!(span > 0) || !std::isfinite(span) || most < 1)
        return 1;
    const double least = span / most;
    double power = std::pow(10.0, std::floor(std::log10(least)));
    for (;;) {
        for (const double m : {1.0, 2.0, 5.0})
            if (m * power >= least * (1 - 1e-12))
                return m * power;
        power *= 10;
    }
}

QString errorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + u'.';
    return message;
}

void setRoundTicks(QValueAxis* axis, double low, double high)
{
    if (!(high > low))
        high = low + 1;
    const double interval = roundTickInterval(high - low, 6);
    // an axis used before keeps its interval: the new range under the old interval may ask for millions of
    // ticks, the new interval under the old range too, so both change while the ticks are fixed in number
    axis->setTickType(QValueAxis::TicksFixed);
    axis->setRange(std::floor(low / interval) * interval, std::ceil(high / interval) * interval);
    axis->setTickAnchor(0);
    axis->setTickInterval(interval);
    axis->setTickType(QValueAxis::TicksDynamic);
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(interval) - 1e-9)), 0, 6);
    axis->setLabelFormat(QStringLiteral("%.") + QString::number(decimals) + u'f');
}

QLabel* problemLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("problem"));
    label->setStyleSheet(QStringLiteral("color: red"));
    label->setWordWrap(true);
    return label;
}

QDialogButtonBox* okCancelButtons(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

std::optional<double> typedDecimal(const QString& text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.')).replace(QChar(0x2212), QLatin1Char('-'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional(v) : std::nullopt;
}

} // namespace tarvol
