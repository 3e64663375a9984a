#pragma once

class QAbstractButton;
class QWidget;

namespace vtt {

// Enter and Esc for a window made of plain widgets, as a dialog box has
// them: Enter presses the push button that has the focus, or else `ok`;
// Esc presses `cancel`, or closes the window when there is none. A key a
// focused control uses itself (a text box's Enter, a swatch's) stays its
// own: only keys nothing else took reach the window.
void bindDialogKeys(QWidget* window, QAbstractButton* ok, QAbstractButton* cancel);

} // namespace vtt
