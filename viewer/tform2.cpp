#include "viewer/tform2.h"

#include <algorithm>
#include <optional>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QWindow>

#ifdef TARVOL_HAVE_XCB
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <xcb/xcb.h>
#endif

#include "calc/catalogue.h"
#include "viewer/presentation.h"

namespace {
constexpr int kDesignLeft = 200;
constexpr int kDesignTop = 200;
constexpr int kDesignWidth = 585;
constexpr int kDesignHeight = 428;

constexpr int kSettleCheckMs = 20;
constexpr int kSettleHeldChecks = 25; // size and place have held for half a second
constexpr int kSettleLongestMs = 3000;

// The frame as the window manager has last announced it. Qt keeps the frame it read once after each
// configure, and may have read it before the window manager had decorated the window.
std::optional<QMargins> announcedFrame(const QWindow* window)
{
#ifdef TARVOL_HAVE_XCB
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !window || QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    if (!connection)
        return std::nullopt;
    static constexpr char kName[] = "_NET_FRAME_EXTENTS";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof kName - 1, kName), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return std::nullopt;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, id, atom->atom, XCB_ATOM_CARDINAL, 0, 4),
                               nullptr),
        &std::free);
    if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32
        || xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    std::uint32_t extents[4]; // left, right, top, bottom
    std::memcpy(extents, xcb_get_property_value(reply.get()), sizeof extents);
    return QMargins(static_cast<int>(extents[0]), static_cast<int>(extents[2]), static_cast<int>(extents[1]),
                    static_cast<int>(extents[3]));
#else
    Q_UNUSED(window);
    return std::nullopt;
#endif
}
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
        m_drawings.push_back(image);
    }
    m_settling.setInterval(kSettleCheckMs);
    connect(&m_settling, &QTimer::timeout, this, &TForm2::settle);
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

void TForm2::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// The screen area the viewer may take: the main window's screen, less panels and docks.
QRect TForm2::availableArea() const
{
    const QScreen* screen = m_mainWindow ? m_mainWindow->screen() : this->screen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
}

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
        // centred over the main window the first time only, by the table's outer size: the window manager may
        // not have told its frame yet
        const QRect main = m_mainWindow->frameGeometry();
        const QSize own = m_outer.isValid() ? m_outer : frameGeometry().size();
        const QRect area = availableArea();
        const QPoint centred(main.left() + (main.width() - own.width()) / 2,
                             main.top() + (main.height() - own.height()) / 2);
        m_position =
            QPoint(std::clamp(centred.x(), area.left(), std::max(area.left(), area.right() + 1 - own.width())),
                   std::clamp(centred.y(), area.top(), std::max(area.top(), area.bottom() + 1 - own.height())));
    } else if (m_shownBefore) {
        // later showings keep the last position; left to the window system, a window shown again creeps by its
        // title bar
        m_position = m_lastPosition;
    }
    if (m_position)
        move(*m_position);
    m_shownBefore = true;
    m_heldChecks = 0;
    m_sinceShown.start();
    m_settling.start();
}

// The frame the window manager puts around the client area; before the window is mapped, the last one seen
// (the main window's before the first showing).
QMargins TForm2::frame() const
{
    if (isVisible() && windowHandle()) {
        // while the window is being mapped the window manager may not have announced its frame yet, and Qt
        // then counts none: the last frame seen stays the better guess
        // an empty announcement while the window manager redecorates the window is not its frame
        if (const auto announced = announcedFrame(windowHandle()); announced && !announced->isNull())
            m_lastFrame = *announced;
        else if (const QMargins counted = windowHandle()->frameMargins(); !counted.isNull())
            m_lastFrame = counted;
    } else if (m_lastFrame.isNull() && m_mainWindow && m_mainWindow->windowHandle()) {
        m_lastFrame = m_mainWindow->windowHandle()->frameMargins();
    }
    return m_lastFrame;
}

void TForm2::setOuterSize(QSize outer)
{
    const QMargins margins = frame();
    resize(outer.width() - margins.left() - margins.right(), outer.height() - margins.top() - margins.bottom());
}

void TForm2::settle()
{
    if (!isVisible() || !m_outer.isValid()) {
        m_settling.stop();
        return;
    }
    const QRect outer = geometry().marginsAdded(frame());
    const bool sized = outer.size() == m_outer;
    const bool placed = !m_position || outer.topLeft() == *m_position;
    if (!sized)
        setOuterSize(m_outer);
    if (!placed)
        move(*m_position);
    if (!sized || !placed) {
        m_heldChecks = 0;
    } else if (++m_heldChecks >= kSettleHeldChecks) {
        m_settling.stop();
    }
    if (m_sinceShown.elapsed() > kSettleLongestMs)
        m_settling.stop();
}

// One resize to the table's outer size; its resize event runs the fitting step.
void TForm2::Button2Click()
{
    const int k = selectedShape();
    if (k >= 0) {
        // a scaled screen may be smaller than the drawing's size: the window stays within what it can show
        m_outer = tarvol::presentation(k).viewerSize.boundedTo(availableArea().size());
        setOuterSize(m_outer);
    } else {
        m_outer = QSize();
    }
    Button1Click();
}

void TForm2::Button1Click()
{
    const int k = selectedShape();
    if (k < 0)
        return;
    // the drawing fills the client area and keeps its proportions, so a sphere stays round at any size
    QSvgWidget* image = m_drawings[static_cast<size_t>(k)];
    image->renderer()->setAspectRatioMode(Qt::KeepAspectRatio);
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
    if (isVisible()) {
        const QMargins margins = frame();
        m_lastPosition = geometry().topLeft() - QPoint(margins.left(), margins.top());
    }
    hide();
    for (QSvgWidget* image : m_drawings)
        image->hide();
}
