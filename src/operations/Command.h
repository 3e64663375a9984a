#pragma once

#include "document/ImageDocument.h"
#include "document/Result.h"

#include <cstddef>
#include <functional>
#include <memory>

namespace vtt {

// One edit of the document that can be taken back: the history holds these
// and knows nothing of what each one does. A new edit is one new class.
class Command {
public:
    virtual ~Command() = default;

    // The name the Edit menu gives the step ("Flip", "Edit Pallet"...).
    virtual const char* name() const = 0;

    // Makes the edit (the first time, and again on redo). False, with the
    // document as it was, when it changes nothing; then it is no step.
    // It keeps what revert needs, at most `keepAtMost` bytes: an edit that
    // would need more is still made, but revertible() is false after it.
    // Memory that cannot hold the edit is an OutOfMemory error, with the
    // document as it was.
    [[nodiscard]] virtual Result<bool> apply(ImageDocument& doc, std::size_t keepAtMost) = 0;

    // Takes the edit back, byte for byte. False when the document no longer
    // has the shape the edit left (a save changed its depth since).
    [[nodiscard]] virtual Result<bool> revert(ImageDocument& doc) = 0;

    // The bytes kept to revert the edit.
    virtual std::size_t size() const { return 0; }

    // After apply: whether revert can take the edit back.
    virtual bool revertible() const { return true; }
    // After apply: whether the edit is a step worth an undo. An edit that
    // applies but cannot alter anything (the identity channel mapping) is not.
    virtual bool isStep() const { return true; }
};

// How a tool window hands an edit to the document's owner, which runs it
// through the history.
using IssueCommand = std::function<void(std::unique_ptr<Command>)>;

} // namespace vtt
