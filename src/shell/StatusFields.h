#pragma once

#include "view/Render.h"

#include <QString>

class QMainWindow;

namespace vtt {

class DocumentSession;
struct MainControls;

// What the status bar says, field by field.
struct StatusTexts {
    QString image;   // "256 x 256 RGBA", "" with no image
    QString zoom;    // "Zoom 25%"
    QString channel; // "Colour", "Red" ...
    QString level;   // "Mip level 1 of 0-4"
    QString pixel;   // "x, y: R G B A" (with " (index N)"), "" off the image
};
StatusTexts statusTexts(const ImageDocument& shown, double scale, ChannelMode mode, int level, int levels,
                        const QString& pixel);

// The main window's status bar: image size and mode, zoom, channels, mip
// level and the pixel under the pointer, each a label with an accessible
// name, kept up to date from the picture's signals. It also says when a
// hex dump copy was cut short.
void installStatusBar(QMainWindow* window, const MainControls& controls, const DocumentSession& session);

} // namespace vtt
