#pragma once

#include <QWidget>

#include <array>
#include <functional>

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

private:
    void FormShow();
    void FormClose();
    void Button1Click(); // fitting step: the drawing follows the window
    void Button2Click(); // sizing step: the window takes its drawing's size
    int selectedShape() const;
    void setOuterSize(int width, int height);

    QWidget* m_mainWindow;
    std::function<QString()> m_selectedText;
    std::array<QSvgWidget*, 26> m_drawings{};
    bool m_shownBefore = false;
};
