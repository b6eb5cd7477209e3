#include "app/messages.h"

#include <QApplication>
#include <QMessageBox>

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
        return box.exec() == QMessageBox::Yes;
    }

private:
    static void show(QMessageBox::Icon icon, const QString& text)
    {
        QMessageBox box(icon, messageCaption(), text, QMessageBox::Ok, QApplication::activeWindow());
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

QString errorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + u'.';
    return message;
}

} // namespace tarvol
