#pragma once

#include "operations/ChannelSwitch.h"
#include "operations/Command.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vtt {

using PaletteEntries256 = PaletteArray;

// Flip, Mirror and Rotate keep nothing: each is undone by its inverse.
class FlipCommand final : public Command {
public:
    const char* name() const override { return "Flip"; }
    Result<bool> apply(ImageDocument& doc, std::size_t) override;
    Result<bool> revert(ImageDocument& doc) override;
};

class MirrorCommand final : public Command {
public:
    const char* name() const override { return "Mirror"; }
    Result<bool> apply(ImageDocument& doc, std::size_t) override;
    Result<bool> revert(ImageDocument& doc) override;
};

// A clockwise turn by 90, 180 or 270 degrees.
class RotateCommand final : public Command {
public:
    explicit RotateCommand(int clockwise) : clockwise_(clockwise) {}
    const char* name() const override { return "Rotate"; }
    Result<bool> apply(ImageDocument& doc, std::size_t) override;
    Result<bool> revert(ImageDocument& doc) override;

private:
    int clockwise_;
};

// A switch that only reorders channels is undone by the inverse mapping;
// any other keeps, for each pixel, the channels it overwrites.
class SwitchChannelsCommand final : public Command {
public:
    explicit SwitchChannelsCommand(const ChannelMapping& mapping) : mapping_(mapping) {}
    const char* name() const override { return "Switch RGBA Channels"; }
    Result<bool> apply(ImageDocument& doc, std::size_t keepAtMost) override;
    Result<bool> revert(ImageDocument& doc) override;
    std::size_t size() const override { return kept_.size(); }
    bool revertible() const override { return revertible_; }
    bool isStep() const override { return !mapping_.isIdentity(); }

private:
    ChannelMapping mapping_;
    PixelArray kept_; // the lost channels of each pixel, in channel order
    bool keptTaken_ = false;
    bool revertible_ = true;
};

// Red, green, blue and alpha of all 256 entries at once: the palette
// window's OK is one step. It keeps whichever palette the document does not
// hold.
class PaletteCommand final : public Command {
public:
    explicit PaletteCommand(const PaletteEntries256& colours) : other_(colours) {}
    const char* name() const override { return "Edit Pallet"; }
    Result<bool> apply(ImageDocument& doc, std::size_t) override;
    Result<bool> revert(ImageDocument& doc) override;
    std::size_t size() const override { return other_.size(); }

private:
    PaletteEntries256 other_;
};

} // namespace vtt
