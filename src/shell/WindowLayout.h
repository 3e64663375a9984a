#pragma once

#include "document/ImageDocument.h"
#include "platform/Platform.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QScrollBar;
class QToolBar;

namespace vtt {

class LineView;
class PictureArea;
class TabControl;

// The main window's controls, by their design names.
struct MainControls {
    QToolBar* Toolbar1 = nullptr;
    TabControl* SSTab1 = nullptr;
    PictureArea* picImage = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* lblWidth = nullptr;
    QLabel* lblHeight = nullptr;
    QLabel* lblType = nullptr;
    QLineEdit* txtMips = nullptr;
    QLineEdit* txtUnknown = nullptr;
    QLineEdit* txtBits = nullptr;
    QScrollBar* VScroll1 = nullptr;
    LineView* txtHexDump = nullptr;
};

// Builds the client area below the menu bar at its design size: the
// toolbar, the tabs with the picture, the header panel and the hex dump,
// their focus order and names. The area never gets smaller than the design;
// what it has beyond goes to the tabs, the picture, the header frame and
// the hex dump.
MainControls buildClientArea(QMainWindow* window);

// The window's size, place and maximized state in the settings store;
// nothing is restored when none is stored or the place is on no screen.
void restorePlace(QMainWindow* window, Platform& platform);
void savePlace(QMainWindow* window, Platform& platform);
// At the first start (no place stored): about two thirds of the screen, at
// least 1024 x 768 where the screen has room, never below the design size.
void openAtWorkingSize(QMainWindow* window, Platform& platform);

} // namespace vtt
