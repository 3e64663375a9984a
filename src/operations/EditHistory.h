#pragma once

#include "document/ImageDocument.h"
#include "operations/ChannelSwitch.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace vtt {

// The edits that can be taken back, named as the commands that make them.
enum class EditKind { Flip, Mirror, Rotate, SwitchChannels, Palette };

// "Flip", "Mirror", "Rotate", "Switch RGBA Channels", "Edit Pallet".
const char* editName(EditKind kind);

using PaletteEntries256 = PaletteArray;

// The edits made to one document, to undo and redo, and whether the
// document still holds what its file holds.
//
// Each step keeps only what its inverse cannot rebuild: Flip, Mirror and
// Rotate keep nothing (they are undone by their inverse); a channel switch
// that is a permutation keeps nothing either (undone by the inverse
// mapping), any other keeps the channels whose values it loses; a palette
// edit keeps the palette it replaced. What the steps keep is bounded: past
// the bound the oldest steps are dropped first.
class EditHistory {
public:
    static constexpr std::size_t DefaultBound = std::size_t(512) << 20;

    explicit EditHistory(std::size_t boundBytes = DefaultBound);

    // The edits themselves: each changes the document as the operation alone
    // does and records a step; false, recording nothing, when the document
    // does not change (an empty image, a channel switch on a palette image,
    // the same palette). The identity mapping is the one exception: on a
    // 24- or 32-bit image it applies, true, and records nothing. Making an
    // edit drops the steps that were undone.
    // A rotation or a switch that memory cannot hold is an OutOfMemory
    // error, with the document and the history as they were.
    bool flip(ImageDocument& doc);
    bool mirror(ImageDocument& doc);
    [[nodiscard]] Result<bool> rotate(ImageDocument& doc, int clockwise);
    [[nodiscard]] Result<bool> switchChannels(ImageDocument& doc, const ChannelMapping& mapping);
    bool setPalette(ImageDocument& doc, const PaletteEntries256& colours);

    // The step undo or redo would take, if any.
    std::optional<EditKind> nextUndo() const;
    std::optional<EditKind> nextRedo() const;

    // Undo returns the document to the state before the last step, byte for
    // byte; redo replays the last undone one. False when there is none, or
    // when the document no longer has the shape the step left (then the
    // whole history is dropped, as nothing in it could be replayed). An
    // OutOfMemory error leaves both as they were.
    [[nodiscard]] Result<bool> undo(ImageDocument& doc);
    [[nodiscard]] Result<bool> redo(ImageDocument& doc);

    // A document from a file: no steps, and it holds what its file holds.
    void clear();
    // The document was just written to its file.
    void markSaved();
    // Whether the document differs from what was last opened or saved.
    bool modified() const;

    // Bytes the steps keep, as counted against the bound.
    std::size_t storedBytes() const { return stored_; }

private:
    struct Step {
        EditKind kind = EditKind::Flip;
        int clockwise = 0;      // Rotate
        ChannelMapping mapping; // SwitchChannels: as applied
        // SwitchChannels: for each pixel, the lost channels in channel order;
        // Palette: the palette that is not in the document.
        PixelArray kept;
        std::size_t bytes() const { return sizeof(Step) + kept.size(); }
    };

    Result<bool> apply(ImageDocument& doc, Step& step, bool forward);
    template <class From, class To>
    Result<bool> step(ImageDocument& doc, From& from, To& to, bool forward);
    void push(Step step);
    // Forgets every step; the document stays unmodified only if it was.
    void dropAll();
    std::uint64_t position() const { return dropped_ + done_.size(); }

    std::size_t bound_;
    std::size_t stored_ = 0;
    std::deque<Step> done_;     // oldest first
    std::vector<Step> undone_;  // the next to redo last
    std::uint64_t dropped_ = 0; // steps dropped from the front since the last clear
    // The position whose document the file holds; none when no sequence of
    // undo and redo can reach it any more.
    std::optional<std::uint64_t> saved_ = 0;
};

} // namespace vtt
