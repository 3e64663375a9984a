#pragma once

#include "document/ImageDocument.h"
#include "view/ViewTransform.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vtt {

// The image's extent as the view sees it: rows are counted from the pixels
// the selected array really holds.
struct ImageExtent {
    int width = 0;
    int height = 0;
};
ImageExtent extentOf(const ImageDocument& doc);

// A part of the picture: `width` x `height` picture pixels from (left, top).
struct PictureRect {
    int left = 0, top = 0, width = 0, height = 0;
};

// What the picture shows of each pixel. Colour draws pixels opaque;
// Checkerboard composites them by their alpha over a checkerboard of two
// light greys in 8 x 8 picture-pixel squares, each channel
// round((c * a + g * (255 - a)) / 255); the others show one channel as a
// grey level. A palette image shows its entries' channels.
enum class ChannelMode { Colour, Checkerboard, Red, Green, Blue, Alpha };

namespace checker {
constexpr int Square = 8;
constexpr std::uint8_t Light = 240; // the square at the picture's top-left
constexpr std::uint8_t Dark = 204;
inline std::uint8_t greyAt(int x, int y) { return ((x / Square + y / Square) & 1) ? Dark : Light; }
} // namespace checker

// Half-size copies of an image for views below 1:1. Level 1 is half the
// image (odd sides rounded up), each pixel the rounded mean of the 2 x 2
// pixels it covers, channel by channel, with the last row and column
// repeated where a side is odd (so an edge pixel is the mean of the pixels
// that exist); each further level halves the one before, down to 1 x 1. A
// palette image is averaged through its palette. Pixels are stored RGBA
// words (red in the lowest byte), as the document stores them.
class ViewPyramid {
public:
    struct Level {
        int width = 0, height = 0;
        std::vector<std::uint32_t> pixels;
    };

    // Builds every level of `doc`; false, leaving none, when memory does
    // not hold them (the view then samples the image itself).
    bool build(const ImageDocument& doc);
    void clear() { levels_.clear(); }
    // Levels beyond the image itself; level(n) for n from 1 to count().
    int count() const { return static_cast<int>(levels_.size()); }
    const Level& level(int n) const { return levels_[static_cast<std::size_t>(n) - 1]; }

private:
    std::vector<Level> levels_;
};

// Draws that part of the picture into `canvas` (0xAARRGGBB words, rows
// `stride` words apart), straight from the document's arrays, or
// `background` outside the image. At 1:1 and above each picture pixel shows
// the image pixel the view maps it to (nearest neighbour, so zoomed pixels
// are sharp squares). Below 1:1, given `pyramid` (built from `doc`), it
// shows the pixels of the largest half-size level whose pixels are at
// least a picture pixel wide: area means, never sampled sparsely, so a fine
// pattern does not turn to moire. The cost follows the picture's size, never the image's. `mode`
// says how each pixel is shown.
void renderView(const ImageDocument& doc, const ViewTransform& view, PictureRect part, std::uint32_t* canvas,
                std::ptrdiff_t stride, std::uint32_t background, ChannelMode mode = ChannelMode::Colour,
                const ViewPyramid* pyramid = nullptr);

// The image pixel under picture pixel (x, y), as stored.
struct PixelUnder {
    int x = 0, y = 0;
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    int paletteIndex = -1; // -1 for a direct-colour image
};
std::optional<PixelUnder> pixelUnder(const ImageDocument& doc, const ViewTransform& view, int x, int y);

} // namespace vtt
