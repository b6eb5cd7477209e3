#pragma once

#include <QRect>
#include <QSize>

namespace tarvol {

// How the window shows a shape: its thumbnail control in the main window and its drawing's window.
struct Presentation {
    const char* thumbnail; // object name of the main window's picture of the shape
    QRect thumbnailBounds;
    QSize viewerSize; // outer size of the picture viewer
};

// The entry of a catalogue index; throws std::out_of_range outside the catalogue.
const Presentation& presentation(int shape);

} // namespace tarvol
