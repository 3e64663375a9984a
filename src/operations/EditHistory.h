#pragma once

#include "document/ImageDocument.h"
#include "operations/Command.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vtt {

// The edits made to one document, to undo and redo, and whether the
// document still holds what its file holds. Each step is a Command; what
// the steps keep is bounded, and past the bound the oldest are dropped
// first. Listeners hear of every change.
class EditHistory {
public:
    static constexpr std::size_t DefaultBound = std::size_t(512) << 20;
    // What a step costs besides what its command keeps.
    static constexpr std::size_t StepOverhead = 48;

    explicit EditHistory(std::size_t boundBytes = DefaultBound);

    // Applies `command` and records it; false, recording nothing, when the
    // document does not change. Making an edit drops the steps that were
    // undone. An edit too large to keep is made, but nothing before it can
    // be taken back any more either. An edit that memory cannot hold is an
    // OutOfMemory error, with the document and the history as they were.
    [[nodiscard]] Result<bool> perform(std::unique_ptr<Command> command, ImageDocument& doc);

    // The name of the step undo or redo would take, or null.
    const char* nextUndo() const;
    const char* nextRedo() const;

    // Undo returns the document to the state before the last step, byte for
    // byte; redo replays the last undone one. False when there is none, or
    // when the document no longer has the shape the step left (then the
    // whole history is dropped, as nothing in it could be replayed). An
    // OutOfMemory error leaves both as they were.
    [[nodiscard]] Result<bool> undo(ImageDocument& doc);
    [[nodiscard]] Result<bool> redo(ImageDocument& doc);

    // A document from a file: no steps, and it holds what its file holds.
    void clear();
    // A document no file holds (pasted): no steps, and modified until saved.
    void clearUnsaved();
    // The document was just written to its file.
    void markSaved();
    // Whether the document differs from what was last opened or saved.
    bool modified() const;

    // A new bound, from now on: steps past it go at once, the oldest first,
    // then those that only redo would reach.
    void setBound(std::size_t boundBytes);
    std::size_t bound() const { return bound_; }

    // Bytes the steps keep, as counted against the bound.
    std::size_t storedBytes() const { return stored_; }

    // Called after every change of the history; `documentChanged` says
    // whether the document changed with it (an edit, undo or redo).
    using Listener = std::function<void(bool documentChanged)>;
    int listen(Listener listener);
    void unlisten(int id);

private:
    using Step = std::unique_ptr<Command>;
    static std::size_t cost(const Step& step) { return StepOverhead + step->size(); }
    template <class From, class To>
    Result<bool> move(ImageDocument& doc, From& from, To& to, bool forward);
    void push(Step step);
    // Forgets every step; the document stays unmodified only if it was.
    void dropAll();
    std::uint64_t position() const { return dropped_ + done_.size(); }
    void notify(bool documentChanged);

    std::size_t bound_;
    std::size_t stored_ = 0;
    std::deque<Step> done_;     // oldest first
    std::vector<Step> undone_;  // the next to redo last
    std::uint64_t dropped_ = 0; // steps dropped from the front since the last clear
    // The position whose document the file holds; none when no sequence of
    // undo and redo can reach it any more.
    std::optional<std::uint64_t> saved_ = 0;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextListener_ = 0;
};

} // namespace vtt
