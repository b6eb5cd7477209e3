#pragma once

#include <QElapsedTimer>
#include <QMargins>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QSvgWidget;

// The picture viewer: the selected shape's drawing in a window sized for that drawing.
class TForm2 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm2)

public:
    // selectedText gives the text of the main window's current selector item.
    TForm2(QWidget* mainWindow, std::function<QString()> selectedText);

    // Opens the viewer modeless; when it is already open it only comes to the front.
    void Image26Click();
    // Every shape set-up closes the viewer.
    void closeViewer();

    QSvgWidget* drawing(int shapeIndex) const { return m_drawings[static_cast<size_t>(shapeIndex)]; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void Button1Click(); // fitting step: the drawing follows the window
    void Button2Click(); // sizing step: the window takes its drawing's size
    int selectedShape() const;
    void setOuterSize(QSize outer);
    QMargins frame() const;
    QRect availableArea() const;
    void settle();

    QWidget* m_mainWindow;
    std::function<QString()> m_selectedText;
    std::vector<QSvgWidget*> m_drawings; // one per catalogue shape, in catalogue order
    bool m_shownBefore = false;
    QPoint m_lastPosition; // of the frame, when the window was last closed

    // A window manager reports its frame only after mapping: for a moment after each showing the outer size
    // is checked and set again until it has held.
    QSize m_outer;
    std::optional<QPoint> m_position; // of the frame, for this showing
    QTimer m_settling;
    QElapsedTimer m_sinceShown;
    int m_heldChecks = 0;
    mutable QMargins m_lastFrame;
};
