#include "app/textwindow.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QVBoxLayout>

namespace tarvol {

void TextWindowOpener::openText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_previous->open(path); // the desktop then says what is wrong with it
        return;
    }
    QStringDecoder decoder("windows-1251");
    QString text = decoder.decode(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    auto* window = new QDialog(m_owner);
    window->setObjectName(QStringLiteral("TextFileWindow"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("%1 — только чтение").arg(QFileInfo(path).fileName()));
    auto* view = new QPlainTextEdit(text, window);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setTabStopDistance(16 * view->fontMetrics().horizontalAdvance(u'0')); // level and volume in columns
    auto* where = new QLabel(QStringLiteral("%1 (Windows-1251)").arg(QFileInfo(path).absoluteFilePath()), window);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::close);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(view);
    layout->addWidget(where);
    layout->addWidget(buttons);
    window->resize(560, 640);
    window->show();
    view->setFocus();
}

} // namespace tarvol
