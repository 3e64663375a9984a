#include "operations/EditHistory.h"

#include <algorithm>
#include <utility>

namespace vtt {

EditHistory::EditHistory(std::size_t boundBytes) : bound_(boundBytes) {}

Result<bool> EditHistory::perform(std::unique_ptr<Command> command, ImageDocument& doc)
{
    VTT_TRY(changed, command->apply(doc, bound_ > StepOverhead ? bound_ - StepOverhead : 0));
    if (!changed)
        return false;
    if (!command->revertible()) {
        // Past the bound on its own: done, but nothing before it can be
        // taken back any more either.
        dropAll();
        saved_.reset();
    } else if (command->isStep()) {
        push(std::move(command));
    }
    notify(true);
    return true;
}

const char* EditHistory::nextUndo() const { return done_.empty() ? nullptr : done_.back()->name(); }

const char* EditHistory::nextRedo() const { return undone_.empty() ? nullptr : undone_.back()->name(); }

// Takes the newest step of `from` back (or again) and moves it to `to`. A
// document that no longer matches the step drops the whole history.
template <class From, class To>
Result<bool> EditHistory::move(ImageDocument& doc, From& from, To& to, bool forward)
{
    if (from.empty())
        return false;
    Command& command = *from.back();
    VTT_TRY(moved, forward ? command.apply(doc, bound_) : command.revert(doc));
    if (!moved) {
        dropAll();
        notify(false);
        return false;
    }
    to.push_back(std::move(from.back()));
    from.pop_back();
    notify(true);
    return true;
}

Result<bool> EditHistory::undo(ImageDocument& doc) { return move(doc, done_, undone_, false); }

Result<bool> EditHistory::redo(ImageDocument& doc) { return move(doc, undone_, done_, true); }

void EditHistory::clear()
{
    dropAll();
    saved_ = 0;
    notify(false);
}

void EditHistory::clearUnsaved()
{
    dropAll();
    saved_.reset();
    notify(false);
}

void EditHistory::markSaved()
{
    saved_ = position();
    notify(false);
}

bool EditHistory::modified() const { return !saved_ || *saved_ != position(); }

int EditHistory::listen(Listener listener)
{
    listeners_.emplace_back(++nextListener_, std::move(listener));
    return nextListener_;
}

void EditHistory::unlisten(int id)
{
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void EditHistory::notify(bool documentChanged)
{
    // A listener may unlisten another (a window closing on the news).
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners)
        listener(documentChanged);
}

void EditHistory::push(Step step)
{
    for (const Step& s : undone_)
        stored_ -= cost(s);
    undone_.clear();
    // A saved state that only redo could reach is gone with the redo steps.
    if (saved_ && *saved_ > position())
        saved_.reset();
    stored_ += cost(step);
    done_.push_back(std::move(step));
    while (stored_ > bound_ && !done_.empty()) {
        stored_ -= cost(done_.front());
        done_.pop_front();
        ++dropped_;
    }
}

void EditHistory::setBound(std::size_t boundBytes)
{
    bound_ = boundBytes;
    const std::size_t before = stored_;
    while (stored_ > bound_ && !done_.empty()) {
        stored_ -= cost(done_.front());
        done_.pop_front();
        ++dropped_;
    }
    while (stored_ > bound_ && !undone_.empty()) {
        stored_ -= cost(undone_.front());
        undone_.erase(undone_.begin());
        // A saved state only the dropped redo step could reach is gone.
        if (saved_ && *saved_ > position() + undone_.size())
            saved_.reset();
    }
    if (stored_ != before)
        notify(false);
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
