#pragma once

#include "codecs/ColourMode.h"
#include "codecs/MipFilters.h"
#include "document/Resample.h"
#include "files/FileCommands.h"
#include "operations/ChannelSwitch.h"
#include "operations/Quantize.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vtt::cli {

// A command line that cannot be run as written: exit status 2, the message
// and the command's short usage.
struct UsageError : std::runtime_error {
    UsageError(const std::string& command, const std::string& message)
        : std::runtime_error(message), command(command)
    {
    }
    std::string command; // "info", "convert" or empty for the program itself
};

struct InfoOptions {
    bool json = false;
    std::optional<ImageFormat> as;
    std::vector<std::string> inputs;
};

// The header panel's boxes as a user would type them; unset ones take the
// source file's values (see panelFor).
struct PanelTexts {
    std::optional<std::string> mips;
    std::optional<std::string> unknown;
    std::optional<std::string> bits;
};

struct ConvertOptions {
    ImageFormat to = ImageFormat::Tex;
    std::optional<ImageFormat> as;
    std::string output;    // -o: the one output file
    std::string outputDir; // --out-dir: one output per input, named after it
    PanelTexts panel;
    bool flip = false;
    bool mirror = false;
    int rotate = 0; // clockwise degrees: 0, 90, 180 or 270
    std::optional<ChannelMapping> channels;
    // Scaling, then the colour mode, then the TEX type, as Image > Scale
    // Image, Image > Mode and the type choice make them.
    std::optional<std::pair<int, int>> resize; // --resize WxH
    std::optional<bool> pow2Up;                // --pow2 up|down
    resample::Filter filter = resample::DefaultFilter;
    std::optional<ColourMode> mode;
    quantize::Options quantize;
    std::optional<int> type;
    mip::MipFilter mipFilter = mip::MipFilter::BoxStored;
    std::string palette; // --palette: a palette file for palette images
    bool force = false;
    unsigned jobs = 0; // 0: one per core
    std::uint64_t memory = 0; // --memory: bytes the images in flight may take; 0: what is available
    std::vector<std::string> inputs;
};

// Both return nothing when --help was asked for (after printing it).
std::optional<InfoOptions> parseInfo(const std::vector<std::string>& args);
std::optional<ConvertOptions> parseConvert(const std::vector<std::string>& args);

// "R,G,B,A" (or channel names): for each destination, its source channel.
std::optional<ChannelMapping> parseChannels(const std::string& text);

// The numbers Save would take from the header panel for a document opened
// from `doc`'s file: the boxes the user set, else what a window shows after
// opening it (the TEX header's fields; for a Targa the design-time 1, 0 and
// empty box).
TexPanelValues panelFor(const PanelTexts& texts, const ImageDocument& doc);

void printUsage(const std::string& command, bool full);

} // namespace vtt::cli
