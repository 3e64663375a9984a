#pragma once

#include "document/Resample.h"
#include "operations/Command.h"
#include "operations/ImageSwap.h"

#include <optional>

namespace vtt {

// The document's picture at width x height: direct colour filtered in
// linear light with alpha-weighted colour, palette images by nearest
// neighbour so that the palette stays exact. Nothing when the size is the
// document's already, or nothing is opened. Errors: a size below 1 or above
// the TEX limit (BadValue, subject "size"), no memory.
[[nodiscard]] Result<std::optional<ImageDocument>> scaleImage(const ImageDocument& doc, int width, int height,
                                                               resample::Filter filter);

// Image > Scale Image: one step, undone byte for byte.
class ScaleCommand final : public Command {
public:
    ScaleCommand(int width, int height, resample::Filter filter) : width_(width), height_(height), filter_(filter) {}
    const char* name() const override { return "Scale Image"; }
    Result<bool> apply(ImageDocument& doc, std::size_t keepAtMost) override;
    Result<bool> revert(ImageDocument& doc) override;
    std::size_t size() const override { return swap_.size(); }
    bool revertible() const override { return swap_.revertible(); }

private:
    int width_;
    int height_;
    resample::Filter filter_;
    ImageSwap swap_;
};

} // namespace vtt
