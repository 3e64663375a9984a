#include "operations/Commands.h"

#include "operations/FlipMirror.h"
#include "operations/Rotate.h"

#include <algorithm>

namespace vtt {

namespace {

bool directColour(const ImageDocument& doc) { return doc.BitDepth() == 24 || doc.BitDepth() == 32; }

// Flip and Mirror change nothing in an empty image.
bool rearrangeable(const ImageDocument& doc) { return !doc.empty(); }

// The channels no destination takes its value from: a switch loses them.
std::vector<std::size_t> lostChannels(const ChannelMapping& mapping)
{
    std::vector<std::size_t> lost;
    for (std::size_t c = 0; c < 4; ++c)
        if (std::find(mapping.source.begin(), mapping.source.end(), Channel(c)) == mapping.source.end())
            lost.push_back(c);
    return lost;
}

// Takes every channel that survived a switch back from a destination that
// holds it now. Lost channels stay where they are, to be overwritten from
// what the command kept.
ChannelMapping undoMapping(const ChannelMapping& mapping)
{
    ChannelMapping back;
    for (std::size_t d = 0; d < 4; ++d)
        back.source[static_cast<std::size_t>(mapping.source[d])] = Channel(d);
    return back;
}

} // namespace

Result<bool> FlipCommand::apply(ImageDocument& doc, std::size_t)
{
    if (!rearrangeable(doc))
        return false;
    flipImage(doc);
    return true;
}

Result<bool> FlipCommand::revert(ImageDocument& doc) { return apply(doc, 0); }

Result<bool> MirrorCommand::apply(ImageDocument& doc, std::size_t)
{
    if (!rearrangeable(doc))
        return false;
    mirrorImage(doc);
    return true;
}

Result<bool> MirrorCommand::revert(ImageDocument& doc) { return apply(doc, 0); }

Result<bool> RotateCommand::apply(ImageDocument& doc, std::size_t) { return rotateImage(doc, clockwise_); }

Result<bool> RotateCommand::revert(ImageDocument& doc) { return rotateImage(doc, 360 - clockwise_); }

Result<bool> SwitchChannelsCommand::apply(ImageDocument& doc, std::size_t keepAtMost)
{
    if (!directColour(doc))
        return false;
    if (mapping_.isIdentity())
        return true;
    // Kept on the first apply only: a redo meets the very pixels it met then.
    if (!keptTaken_) {
        const std::vector<std::size_t> lost = lostChannels(mapping_);
        const std::size_t pixels = doc.area(), perPixel = lost.size();
        revertible_ = pixels * perPixel <= keepAtMost;
        if (revertible_ && perPixel) {
            VTT_CHECK(resizePixels(kept_, pixels * perPixel));
            const std::uint8_t* from = doc.PixelBytes().data();
            for (std::size_t i = 0; i < pixels; ++i)
                for (std::size_t j = 0; j < perPixel; ++j)
                    kept_[i * perPixel + j] = from[4 * i + lost[j]];
        }
        keptTaken_ = true;
    }
    return switchChannels(doc, mapping_);
}

Result<bool> SwitchChannelsCommand::revert(ImageDocument& doc)
{
    const std::vector<std::size_t> lost = lostChannels(mapping_);
    const std::size_t pixels = doc.area(), perPixel = lost.size();
    // A save may have changed the depth since; then the kept channels no
    // longer fit.
    if (!revertible_ || !directColour(doc) || kept_.size() != pixels * perPixel)
        return false;
    switchChannels(doc, undoMapping(mapping_));
    std::uint8_t* to = doc.PixelBytes().data();
    for (std::size_t i = 0; i < pixels; ++i)
        for (std::size_t j = 0; j < perPixel; ++j)
            to[4 * i + lost[j]] = kept_[i * perPixel + j];
    return true;
}

Result<bool> PaletteCommand::apply(ImageDocument& doc, std::size_t)
{
    if (doc.Palette() == other_)
        return false;
    std::swap(doc.Palette(), other_);
    return true;
}

Result<bool> PaletteCommand::revert(ImageDocument& doc)
{
    std::swap(doc.Palette(), other_);
    return true;
}

} // namespace vtt
