#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The byte work every pixel path runs through: reading and writing the
// files' pixel orders, the channel switch, Mirror, run-length packets and
// the mip reductions. Each has a plain scalar version, which is the
// reference, and vector versions in one file per instruction set, each
// built with that set's compiler flags. The version used is picked once per
// kernel at run time: the widest set the processor offers that keeps one
// (a set keeps only the versions that beat the narrower sets on this
// machine's benchmarks). VTT_KERNELS=scalar|ssse3|avx2|avx512 caps the set,
// for tests and bug reports.
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
    // bytes to OR in afterwards (255 where Opaque). Plain arrays: the vector
    // files share no inline function with the rest (see PixelKernelsX86.h).
    alignas(16) std::uint8_t lanes[16]{};
    alignas(16) std::uint8_t set[16]{};
    // The same for 16 pixels across one 64-byte vector.
    alignas(64) std::uint8_t wide[64]{};
    alignas(64) std::uint8_t wideSet[64]{};
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

using ShuffleFn = void (*)(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, const PixelShuffle& shuffle);
using RunsFn = std::size_t (*)(const std::uint8_t* src, std::size_t size, std::uint8_t* dst, std::size_t n,
                               const PixelShuffle& shuffle, std::size_t& done);

// The instruction sets, narrowest first.
enum class SetId { Scalar, Ssse3, Avx2, Avx512 };
inline constexpr const char* SetNames[] = {"scalar", "ssse3", "avx2", "avx512"};

// One set's kernels. A set's own table leaves out (null) the kernels it
// keeps no version of; the tables handed out have those filled in from the
// nearest narrower set that has one, and `from` names the set each came from.
struct KernelSet {
    const char* name;
    // n pixels of shuffle.inSize bytes to n pixels of shuffle.outSize bytes,
    // one entry per shape: 3 to 4, 4 to 4, 4 to 3 bytes. src and dst either
    // do not overlap or are the same (4 to 4 only).
    ShuffleFn shuffle34, shuffle44, shuffle43;
    // n copies of the 4-byte pixel.
    void (*fill4)(std::uint8_t* dst, const std::uint8_t* pixel, std::size_t n);
    // Reverses the order of n pixels of 1 or 4 bytes in place (Mirror).
    void (*reverse)(std::uint8_t* row, std::size_t n, int pixelSize);
    // Targa run-length packets (a head byte: top bit set for one stored
    // pixel repeated, clear for stored pixels, low 7 bits the count less
    // one) of 3- or 4-byte pixels (one entry each) into n RGBA pixels. A
    // packet reaching past pixel n is cut there. Reads only the size bytes
    // of src; stops at the first packet whose head or pixels are missing.
    // Returns the bytes consumed; `done` gets the pixels written.
    RunsFn expandRuns3, expandRuns4;
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
    // Which set each entry above comes from, in the same order.
    SetId from[9]{};

    void shuffle(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, const PixelShuffle& s) const
    {
        (s.inSize == 3 ? shuffle34 : s.outSize == 3 ? shuffle43 : shuffle44)(src, dst, n, s);
    }
    std::size_t expandRuns(const std::uint8_t* src, std::size_t size, std::uint8_t* dst, std::size_t n,
                           const PixelShuffle& s, std::size_t& done) const
    {
        return (s.inSize == 3 ? expandRuns3 : expandRuns4)(src, size, dst, n, s, done);
    }
};

// The kernels in use: the processor's widest set, or the one VTT_KERNELS
// names if narrower.
const KernelSet& active();

// Every set this processor runs, filled in, the scalar reference first: for
// the test that holds each vector version to the reference.
std::vector<const KernelSet*> available();

// The set to use given VTT_KERNELS's value (null or empty: none) and the
// widest set the processor runs. An unknown name leaves the widest and sets
// `problem` to a message saying so.
SetId chooseSet(const char* value, SetId widest, std::string& problem);

namespace detail {
// Each set's own table, from its own file.
extern const KernelSet Scalar;
#if defined(__x86_64__)
extern const KernelSet Ssse3;
extern const KernelSet Avx2;
extern const KernelSet Avx512;
#endif

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
