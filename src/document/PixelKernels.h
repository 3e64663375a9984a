#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The byte work every pixel path runs through: reading and writing the
// files' pixel orders, the channel switch, Mirror, run-length packets and
// the mip reductions. Each has a plain scalar version, which is the
// reference, and vector versions picked once at run time by what the
// processor offers, since the build targets plain x86-64.
namespace vtt::kernels {

// Which byte of the stored pixel each output byte takes, or Opaque for 255.
// The lane masks of the vector versions are worked out once, when the
// shuffle is made, so that short runs (run-length packets) pay nothing per
// call.
struct PixelShuffle {
    static constexpr std::uint8_t Opaque = 0xFF;
    std::array<std::uint8_t, 4> from{};
    std::uint8_t inSize = 4;  // stored bytes per pixel: 3 or 4
    std::uint8_t outSize = 4; // produced bytes per pixel: 3 or 4
    // pshufb control for 4 pixels (16 output bytes or 12 of them), and the
    // bytes to OR in afterwards (255 where Opaque).
    alignas(16) std::array<std::uint8_t, 16> lanes{};
    alignas(16) std::array<std::uint8_t, 16> set{};
    // The same for 16 pixels across one 64-byte vector.
    alignas(64) std::array<std::uint8_t, 64> wide{};
    alignas(64) std::array<std::uint8_t, 64> wideSet{};
};

constexpr PixelShuffle makeShuffle(std::uint8_t inSize, std::uint8_t outSize, std::array<std::uint8_t, 4> from)
{
    PixelShuffle s;
    s.from = from;
    s.inSize = inSize;
    s.outSize = outSize;
    for (std::size_t i = 0; i < 16; ++i)
        s.lanes[i] = 0x80; // pshufb writes zero
    for (std::size_t p = 0; p < 16; ++p) {
        for (std::size_t k = 0; k < outSize; ++k) {
            const std::size_t at = p * outSize + k;
            const bool opaque = from[k] == PixelShuffle::Opaque;
            const auto source = static_cast<std::uint8_t>(p * inSize + (opaque ? 0 : from[k]));
            s.wide[at] = source;
            s.wideSet[at] = opaque ? 0xFF : 0;
            if (p < 4) {
                s.lanes[at] = opaque ? 0x80 : source;
                s.set[at] = s.wideSet[at];
            }
        }
    }
    return s;
}

// The files' pixel orders. Alpha is dropped by the 3-byte outputs and set
// opaque by the 3-byte inputs.
inline constexpr PixelShuffle RgbToRgba = makeShuffle(3, 4, {0, 1, 2, PixelShuffle::Opaque});
inline constexpr PixelShuffle BgrToRgba = makeShuffle(3, 4, {2, 1, 0, PixelShuffle::Opaque});
inline constexpr PixelShuffle SwapRedBlue = makeShuffle(4, 4, {2, 1, 0, 3});
inline constexpr PixelShuffle RgbaToRgb = makeShuffle(4, 3, {0, 1, 2, 3});
inline constexpr PixelShuffle RgbaToBgr = makeShuffle(4, 3, {2, 1, 0, 3});

struct KernelSet {
    const char* name;
    // n pixels of shuffle.inSize bytes to n pixels of shuffle.outSize bytes.
    // src and dst either do not overlap or are the same (4 to 4 only).
    void (*shuffle)(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, const PixelShuffle& shuffle);
    // n copies of the 4-byte pixel.
    void (*fill4)(std::uint8_t* dst, const std::uint8_t* pixel, std::size_t n);
    // Reverses the order of n pixels of 1 or 4 bytes in place (Mirror).
    void (*reverse)(std::uint8_t* row, std::size_t n, int pixelSize);
    // Targa run-length packets (a head byte: top bit set for one stored
    // pixel repeated, clear for stored pixels, low 7 bits the count less
    // one) of shuffle.inSize-byte pixels into n RGBA pixels. A packet
    // reaching past pixel n is cut there. Reads only the size bytes of src;
    // stops at the first packet whose head or pixels are missing. Returns
    // the bytes consumed; `done` gets the pixels written.
    std::size_t (*expandRuns)(const std::uint8_t* src, std::size_t size, std::uint8_t* dst, std::size_t n,
                              const PixelShuffle& shuffle, std::size_t& done);
    // One row of 2 x 2 box averages, rounded half up: output pixel x
    // averages top/bottom pixels 2x and 2x + right/size. right is the byte
    // step to the block's second column (0 for an image one pixel wide).
    void (*halveRow)(const std::uint8_t* top, const std::uint8_t* bottom, std::size_t right, std::uint8_t* dst,
                     std::size_t n, int channels);
    // One level of palette entries (width x height, one byte each) reduced
    // to the next, as halveRow but each block keeps the entry whose colour
    // (red, green, blue, alpha) lies nearest the block's average, the first
    // in reading order on a tie. dst holds the halved level.
    void (*halveIndexed)(const std::uint8_t* src, std::size_t width, std::size_t height, const std::uint8_t* palette,
                         std::uint8_t* dst);
};

// The fastest set this processor runs.
const KernelSet& active();

// Every set this processor runs, the scalar reference first: for the test
// that holds each vector version to the reference.
std::vector<const KernelSet*> available();

namespace detail {
// The reference for one row of palette blocks, for the vector versions'
// remainders.
void halveIndexedRowScalar(const std::uint8_t* top, const std::uint8_t* bottom, std::size_t right,
                           const std::uint8_t* palette, std::uint8_t* dst, std::size_t n);

// Calls row(top, bottom, right, dst, n) for each row of 2 x 2 blocks of a
// level of one-byte pixels. A side of one pixel pairs its pixel with itself;
// otherwise 2 * (side / 2) never passes the side, so no block reads beyond.
template <class Row>
void forEachBlockRow(const std::uint8_t* src, std::size_t width, std::size_t height, std::uint8_t* dst, Row row)
{
    const std::size_t outWidth = width > 1 ? width / 2 : 1, outHeight = height > 1 ? height / 2 : 1;
    const std::size_t right = width > 1 ? 1 : 0, down = height > 1 ? width : 0;
    for (std::size_t y = 0; y < outHeight; ++y) {
        const std::uint8_t* top = src + 2 * y * width;
        row(top, top + down, right, dst + y * outWidth, outWidth);
    }
}
} // namespace detail

inline void shuffle(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    active().shuffle(src, dst, n, s);
}

} // namespace vtt::kernels
