#pragma once

#include "codecs/ColourMode.h"
#include "operations/Command.h"
#include "operations/ImageSwap.h"
#include "operations/Quantize.h"

#include <functional>
#include <memory>
#include <optional>

namespace vtt {

// Whether changing the document to Rgb would drop alpha that some pixel
// uses: a direct-colour pixel, or the palette entry of a palette pixel,
// that is not opaque.
bool losesAlpha(const ImageDocument& doc);

// The document's picture in `mode`, with the TEX type field that fits it;
// nothing when it is in that mode already and has nothing to reduce (a
// palette image whose entries all lie below options.colours), or holds no
// image at all. Towards a palette, the colours are reduced (exactly when
// they already fit); from one, the palette is expanded. Rgb drops alpha
// (every pixel opaque, 24 bits); Rgba from Rgb adds opaque alpha.
// Errors: options out of range (BadValue, subject "colours": 2 to 256, at
// most 16 for Indexed16), and those of the quantizer.
[[nodiscard]] Result<std::optional<ImageDocument>> changeMode(const ImageDocument& doc, ColourMode mode,
                                                               const quantize::Options& options);

// Image > Mode: one step, undone byte for byte.
class ModeCommand final : public Command {
public:
    ModeCommand(ColourMode mode, quantize::Options options) : mode_(mode), options_(options) {}
    const char* name() const override { return "Mode"; }
    Result<bool> apply(ImageDocument& doc, std::size_t keepAtMost) override;
    Result<bool> revert(ImageDocument& doc) override;
    std::size_t size() const override { return swap_.size(); }
    bool revertible() const override { return swap_.revertible(); }

private:
    ColourMode mode_;
    quantize::Options options_;
    ImageSwap swap_;
};

// The choice between the two 256-colour TEX types, 1 and 14, which share a
// mode: it sets the TEX type field a save as TEX reads.
class TexTypeCommand final : public Command {
public:
    explicit TexTypeCommand(std::int16_t type) : other_(type) {}
    const char* name() const override { return "TEX Type"; }
    Result<bool> apply(ImageDocument& doc, std::size_t) override;
    Result<bool> revert(ImageDocument& doc) override;

private:
    std::int16_t other_;
};

// Makes `type` (1, 14, 15, 17 or 18) the type a save as TEX writes, in
// steps handed to `run` (the history, or a plain apply): the mode change it
// needs (colours reduced with `options`, at most 16 for type 15), then,
// between 1 and 14, the choice itself. Errors: a type that cannot be
// written (Unwritable), and those of the steps.
using RunStep = std::function<Result<bool>(std::unique_ptr<Command>)>;
[[nodiscard]] Result<void> chooseTexType(const ImageDocument& doc, int type, quantize::Options options,
                                         const RunStep& run);

} // namespace vtt
