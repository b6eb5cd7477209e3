#pragma once

#include "export/fileopener.h"

class QWidget;

namespace tarvol {

// Shows the text files the program writes in a read-only window of its own, decoded from Windows-1251, which
// the desktop's editors would read as UTF-8; every other file goes to the opener it replaces. The windows are
// the owner's children, so they close with it.
class TextWindowOpener final : public FileOpener {
public:
    explicit TextWindowOpener(QWidget* owner) : m_owner(owner), m_previous(setFileOpener(this)) {}
    ~TextWindowOpener() override { setFileOpener(m_previous); }
    TextWindowOpener(const TextWindowOpener&) = delete;
    TextWindowOpener& operator=(const TextWindowOpener&) = delete;

    void open(const QString& path) override { m_previous->open(path); }
    void openText(const QString& path) override;

private:
    QWidget* m_owner;
    FileOpener* m_previous;
};

} // namespace tarvol
