#pragma once

#include "document/ImageDocument.h"
#include "shell/FileMessages.h"
#include "shell/WindowLayout.h"

#include <QObject>

#include <functional>

namespace vtt {

// The Image Data tab over the current document: the size and the TEX type
// a save as TEX would write, and the three boxes such a save reads. The
// boxes differing from what the document was opened or saved with is a
// change of the document, reported through `changed`.
class HeaderPanel : public QObject {
public:
    HeaderPanel(const MainControls& controls, std::function<void(bool differs)> changed, QObject* parent);

    // The labels for `doc` (the design's bare captions for no image).
    void showDocument(const ImageDocument& doc);
    // The boxes from a TEX file's own fields.
    void showFileFields(const ImageDocument& doc);
    // What the boxes hold now is the document's own: opened or saved.
    void markUnchanged();

    HeaderPanelTexts texts() const;

private:
    void boxEdited();

    MainControls c_;
    std::function<void(bool)> changed_;
    HeaderPanelTexts unchanged_;
};

} // namespace vtt
