#include "operations/EditHistory.h"

#include "operations/FlipMirror.h"
#include "operations/Rotate.h"

#include <algorithm>
#include <utility>

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
// what the step kept.
ChannelMapping undoMapping(const ChannelMapping& mapping)
{
    ChannelMapping back;
    for (std::size_t d = 0; d < 4; ++d)
        back.source[static_cast<std::size_t>(mapping.source[d])] = Channel(d);
    return back;
}

} // namespace

const char* editName(EditKind kind)
{
    switch (kind) {
    case EditKind::Flip: return "Flip";
    case EditKind::Mirror: return "Mirror";
    case EditKind::Rotate: return "Rotate";
    case EditKind::SwitchChannels: return "Switch RGBA Channels";
    case EditKind::Palette: return "Edit Pallet";
    }
    return "";
}

EditHistory::EditHistory(std::size_t boundBytes) : bound_(boundBytes) {}

bool EditHistory::flip(ImageDocument& doc)
{
    if (!rearrangeable(doc))
        return false;
    flipImage(doc);
    push(Step{EditKind::Flip, 0, {}, {}});
    return true;
}

bool EditHistory::mirror(ImageDocument& doc)
{
    if (!rearrangeable(doc))
        return false;
    mirrorImage(doc);
    push(Step{EditKind::Mirror, 0, {}, {}});
    return true;
}

Result<bool> EditHistory::rotate(ImageDocument& doc, int clockwise)
{
    VTT_TRY(turned, rotateImage(doc, clockwise));
    if (!turned)
        return false;
    push(Step{EditKind::Rotate, clockwise, {}, {}});
    return true;
}

Result<bool> EditHistory::switchChannels(ImageDocument& doc, const ChannelMapping& mapping)
{
    if (!directColour(doc))
        return false;
    if (mapping.isIdentity())
        return true;
    Step step{EditKind::SwitchChannels, 0, mapping, {}};
    const std::vector<std::size_t> lost = lostChannels(mapping);
    const std::size_t pixels = doc.area(), perPixel = lost.size();
    if (pixels * perPixel + sizeof(Step) > bound_) {
        // Past the bound on its own: done, but nothing before it can be
        // taken back any more either.
        vtt::switchChannels(doc, mapping);
        dropAll();
        saved_.reset();
        return true;
    }
    if (perPixel) {
        VTT_CHECK(resizePixels(step.kept, pixels * perPixel));
        const std::uint8_t* from = doc.PixelBytes().data();
        for (std::size_t i = 0; i < pixels; ++i)
            for (std::size_t j = 0; j < perPixel; ++j)
                step.kept[i * perPixel + j] = from[4 * i + lost[j]];
    }
    vtt::switchChannels(doc, mapping);
    push(std::move(step));
    return true;
}

bool EditHistory::setPalette(ImageDocument& doc, const PaletteEntries256& colours)
{
    if (doc.Palette() == colours)
        return false;
    Step step{EditKind::Palette, 0, {}, PixelArray(colours.begin(), colours.end())};
    static_cast<void>(apply(doc, step, true)); // a palette step cannot fail
    push(std::move(step));
    return true;
}

std::optional<EditKind> EditHistory::nextUndo() const
{
    return done_.empty() ? std::nullopt : std::optional<EditKind>(done_.back().kind);
}

std::optional<EditKind> EditHistory::nextRedo() const
{
    return undone_.empty() ? std::nullopt : std::optional<EditKind>(undone_.back().kind);
}

// Takes the newest step of `from` back (or again) and moves it to `to`. A
// document that no longer matches the step drops the whole history.
template <class From, class To>
Result<bool> EditHistory::step(ImageDocument& doc, From& from, To& to, bool forward)
{
    if (from.empty())
        return false;
    VTT_TRY(applied, apply(doc, from.back(), forward));
    if (!applied) {
        dropAll();
        return false;
    }
    to.push_back(std::move(from.back()));
    from.pop_back();
    return true;
}

Result<bool> EditHistory::undo(ImageDocument& doc) { return step(doc, done_, undone_, false); }

Result<bool> EditHistory::redo(ImageDocument& doc) { return step(doc, undone_, done_, true); }

void EditHistory::clear()
{
    dropAll();
    saved_ = 0;
}

void EditHistory::markSaved() { saved_ = position(); }

bool EditHistory::modified() const { return !saved_ || *saved_ != position(); }

Result<bool> EditHistory::apply(ImageDocument& doc, Step& step, bool forward)
{
    switch (step.kind) {
    case EditKind::Flip:
        flipImage(doc);
        return true;
    case EditKind::Mirror:
        mirrorImage(doc);
        return true;
    case EditKind::Rotate:
        return rotateImage(doc, forward ? step.clockwise : 360 - step.clockwise);
    case EditKind::SwitchChannels: {
        if (forward)
            return vtt::switchChannels(doc, step.mapping);
        const std::vector<std::size_t> lost = lostChannels(step.mapping);
        const std::size_t pixels = doc.area(), perPixel = lost.size();
        // A save may have changed the depth since; then the kept channels
        // no longer fit.
        if (!directColour(doc) || step.kept.size() != pixels * perPixel)
            return false;
        vtt::switchChannels(doc, undoMapping(step.mapping));
        std::uint8_t* to = doc.PixelBytes().data();
        for (std::size_t i = 0; i < pixels; ++i)
            for (std::size_t j = 0; j < perPixel; ++j)
                to[4 * i + lost[j]] = step.kept[i * perPixel + j];
        return true;
    }
    case EditKind::Palette:
        // The step keeps whichever palette the document does not hold.
        std::swap_ranges(doc.Palette().begin(), doc.Palette().end(), step.kept.begin());
        return true;
    }
    return false;
}

void EditHistory::push(Step step)
{
    for (const Step& s : undone_)
        stored_ -= s.bytes();
    undone_.clear();
    // A saved state that only redo could reach is gone with the redo steps.
    if (saved_ && *saved_ > position())
        saved_.reset();
    stored_ += step.bytes();
    done_.push_back(std::move(step));
    while (stored_ > bound_ && !done_.empty()) {
        stored_ -= done_.front().bytes();
        done_.pop_front();
        ++dropped_;
    }
}

void EditHistory::dropAll()
{
    const bool atSaved = !modified();
    done_.clear();
    undone_.clear();
    stored_ = 0;
    dropped_ = 0;
    saved_ = atSaved ? std::optional<std::uint64_t>(0) : std::nullopt;
}

} // namespace vtt
