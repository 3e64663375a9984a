#pragma once

#include "document/ImageDocument.h"
#include "document/Result.h"

#include <cstddef>
#include <cstdint>

namespace vtt {

// What an edit that replaces the whole picture (its size, depth, pixels and
// palette, and the TEX type field that goes with the mode) keeps: the
// picture it does not show. Undo and redo exchange the two, so a redo gives
// back the very bytes the first apply made.
class ImageSwap {
public:
    // Puts `made` in place of the document's picture, keeping the old one
    // when it takes at most `keepAtMost` bytes. The file facts other than
    // the type field stay the document's.
    void replace(ImageDocument& doc, ImageDocument made, std::size_t keepAtMost);
    // Exchanges the picture shown with the one kept: false, with nothing
    // changed, when nothing is kept or the document no longer has the size
    // and depth the last exchange left (a save changed its depth since).
    bool exchange(ImageDocument& doc);

    bool applied() const { return applied_; }
    bool revertible() const { return revertible_; }
    std::size_t size() const { return revertible_ ? kept_.pixels().size() + PaletteBytes : 0; }

private:
    struct Shape {
        int width = 0, height = 0, depth = 0;
        bool operator==(const Shape&) const = default;
    };
    static Shape shapeOf(const ImageDocument& doc) { return {doc.ImageWidth(), doc.ImageHeight(), doc.BitDepth()}; }
    void swapIn(ImageDocument& doc, ImageDocument& incoming, std::int16_t& incomingType);

    ImageDocument kept_;
    std::int16_t keptType_ = 0;
    Shape shown_; // of the picture the document holds after the last change
    bool applied_ = false;
    bool revertible_ = true;
};

} // namespace vtt
