#include "operations/ImageSwap.h"

#include <utility>

namespace vtt {

void ImageSwap::swapIn(ImageDocument& doc, ImageDocument& incoming, std::int16_t& incomingType)
{
    FileFacts facts = std::move(doc.Facts);
    const std::int16_t outgoingType = facts.Tex.Type;
    facts.Tex.Type = incomingType;
    ImageDocument outgoing = std::move(doc);
    doc = std::move(incoming);
    doc.Facts = std::move(facts);
    incoming = std::move(outgoing);
    incoming.Facts = FileFacts{};
    incomingType = outgoingType;
    shown_ = shapeOf(doc);
}

void ImageSwap::replace(ImageDocument& doc, ImageDocument made, std::size_t keepAtMost)
{
    std::int16_t type = made.Facts.Tex.Type;
    swapIn(doc, made, type);
    applied_ = true;
    revertible_ = made.pixels().size() + PaletteBytes <= keepAtMost;
    if (revertible_) {
        kept_ = std::move(made);
        keptType_ = type;
    }
}

bool ImageSwap::exchange(ImageDocument& doc)
{
    if (!applied_ || !revertible_ || shapeOf(doc) != shown_)
        return false;
    swapIn(doc, kept_, keptType_);
    return true;
}

} // namespace vtt
