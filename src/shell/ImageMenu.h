#pragma once

#include "codecs/ColourMode.h"
#include "operations/Quantize.h"

#include <QObject>

#include <optional>

class QAction;
class QMainWindow;
class QMenu;

namespace vtt {

class DocumentSession;
class Platform;

// Image > Mode, Image > TEX Type and Image > Scale Image..., added to the
// main window's Image menu. Each change is one step of the session's
// history (a type that needs another mode takes two: the mode change, then
// the type); the checked mode and type follow the document after every
// open, edit, undo and redo. The stored undo bound is applied to the
// session on creation.
class ImageCommands : public QObject {
    Q_OBJECT
public:
    ImageCommands(QMainWindow* window, DocumentSession& session, Platform& platform);

    // Checks the document's mode and type; nothing is enabled without an image.
    void refresh();

private:
    // What a change to `mode` needs from the user: the Indexed dialog's
    // choice, or consent to drop alpha. None when the user cancels.
    std::optional<quantize::Options> askFor(ColourMode mode);
    void chooseMode(ColourMode mode);
    void chooseType(int type);
    void scale();

    QMainWindow* window_;
    DocumentSession& session_;
    Platform& platform_;
    QMenu* modeMenu_ = nullptr;
    QMenu* typeMenu_ = nullptr;
    QAction* scale_ = nullptr;
};

} // namespace vtt
