#include "viewer/tform2.h"

#include <QCloseEvent>
#include <QScreen>
#include <QSvgWidget>

#include "calc/catalogue.h"

namespace {
constexpr int kDesignLeft = 200;
constexpr int kDesignTop = 200;
constexpr int kDesignWidth = 585;
constexpr int kDesignHeight = 428;
} // namespace

TForm2::TForm2(QWidget* mainWindow, std::function<QString()> selectedText)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_mainWindow(mainWindow), m_selectedText(std::move(selectedText))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    setStyleSheet(QStringLiteral("background: white;"));
    setGeometry(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight);
    for (int k = 0; k < tarvol::kShapeCount; ++k) {
        auto* image = new QSvgWidget(QStringLiteral(":/drawings/shape%1.svg").arg(k, 2, 10, QLatin1Char('0')), this);
        image->setObjectName(QStringLiteral("Image%1").arg(k));
        image->setGeometry(0, 0, kDesignWidth, kDesignHeight);
        image->hide();
        m_drawings[static_cast<size_t>(k)] = image;
    }
}

int TForm2::selectedShape() const
{
    const auto found = tarvol::findShape(m_selectedText().toStdString());
    return found ? *found : -1;
}

void TForm2::Image26Click()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    show();
}

void TForm2::closeViewer() { close(); }

void TForm2::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm2::FormShow()
{
    setWindowTitle(m_selectedText());
    Button2Click();
    if (!m_shownBefore && m_mainWindow) {
        // centred over the main window the first time only; later showings keep the last position
        const QRect main = m_mainWindow->frameGeometry();
        const QRect own = frameGeometry();
        move(main.left() + (main.width() - own.width()) / 2, main.top() + (main.height() - own.height()) / 2);
    }
    m_shownBefore = true;
}

void TForm2::setOuterSize(int width, int height)
{
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(width - frame.width(), height - frame.height());
}

void TForm2::Button2Click()
{
    const int k = selectedShape();
    if (k >= 0) {
        const auto& info = tarvol::shape(k);
        setOuterSize(info.viewerWidth, frameGeometry().height());
        setOuterSize(info.viewerWidth, info.viewerHeight);
    }
    Button1Click();
}

void TForm2::Button1Click()
{
    const int k = selectedShape();
    if (k < 0)
        return;
    // the drawing fills the client area, stretched without keeping its proportions
    QSvgWidget* image = m_drawings[static_cast<size_t>(k)];
    image->setGeometry(0, 0, width(), height());
    image->show();
}

void TForm2::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Button1Click();
}

void TForm2::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TForm2::FormClose()
{
    hide();
    for (QSvgWidget* image : m_drawings)
        image->hide();
}
