#include "codecs/PngWriter.h"

#include "codecs/ByteIo.h"
#include "codecs/Cancel.h"
#include "codecs/PngFormat.h"
#include "document/PixelKernels.h"

#include <spng.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace vtt {

namespace {

struct ContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
struct BufferFree {
    void operator()(void* p) const { std::free(p); }
};

Unexpected<Error> libraryError(int error, std::size_t width, std::size_t height)
{
    if (error == SPNG_EMEM)
        return unwritable(notEnoughMemoryText("save", width, height, width * height * 4));
    return unwritable(std::string("the PNG encoder failed (") + spng_strerror(error) + ")");
}

} // namespace

WriteResult writePng(const ImageDocument& doc, std::uint8_t depth)
{
    if (doc.ImageWidth() <= 0 || doc.ImageHeight() <= 0)
        return unwritable("a PNG image cannot be " + std::to_string(doc.ImageWidth()) + " x "
                          + std::to_string(doc.ImageHeight()) + " pixels");
    VTT_CHECK(refuseDepth(doc, depth, "PNG"));
    const std::size_t width = static_cast<std::size_t>(doc.ImageWidth());
    const std::size_t height = static_cast<std::size_t>(doc.ImageHeight());
    const std::size_t n = width * height;

    std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx)
        return unwritable(notEnoughMemoryText("save", width, height, n * 4));
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, PngCompressionLevel);
    // zlib's default strategy rather than the filtered one PNG encoders
    // usually take: on textures it finds more matches, so files come out a
    // little smaller and no slower.
    constexpr int DefaultStrategy = 0;
    spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_STRATEGY, DefaultStrategy);

    spng_ihdr ihdr{};
    ihdr.width = static_cast<std::uint32_t>(width);
    ihdr.height = static_cast<std::uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = static_cast<std::uint8_t>(depth == PaletteDepth ? png::ColourType::Palette
                                                : depth == 24         ? png::ColourType::Rgb
                                                                      : png::ColourType::Rgba);
    if (int error = spng_set_ihdr(ctx.get(), &ihdr))
        return libraryError(error, width, height);
    if (depth == PaletteDepth) {
        spng_plte plte{};
        plte.n_entries = PaletteEntries;
        for (int c = 0; c < PaletteEntries; ++c)
            plte.entries[c] = spng_plte_entry{doc.Palette()[4 * c], doc.Palette()[4 * c + 1], doc.Palette()[4 * c + 2], 0};
        if (int error = spng_set_plte(ctx.get(), &plte))
            return libraryError(error, width, height);
    }

    // Row by row, so that the 3-byte pixels never need a whole copy, and so
    // that a request to stop is seen between rows of a long encode.
    int error = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    std::vector<std::uint8_t> row(depth == 24 ? width * 3 : 0);
    const std::size_t rowBytes = width * (depth / 8);
    const std::uint8_t* pixels = depth == PaletteDepth ? doc.PixelIndices().data() : doc.PixelBytes().data();
    for (std::size_t y = 0; !error && y < height; ++y) {
        if (y % 16 == 0 && cancelRequested())
            return unwritable(CancelledText);
        if (depth == 24) {
            kernels::shuffle(doc.PixelBytes().data() + y * width * 4, row.data(), width, kernels::RgbaToRgb);
            error = spng_encode_row(ctx.get(), row.data(), row.size());
        } else {
            error = spng_encode_row(ctx.get(), pixels + y * rowBytes, rowBytes);
        }
    }
    if (error == SPNG_EOI)
        error = 0;
    if (error)
        return libraryError(error, width, height);

    std::size_t size = 0;
    std::unique_ptr<void, BufferFree> encoded(spng_get_png_buffer(ctx.get(), &size, &error));
    if (!encoded)
        return libraryError(error ? error : SPNG_EMEM, width, height);
    PixelArray file;
    VTT_CHECK(reserveOutput(file, size, width, height));
    ByteWriter out(file);
    std::memcpy(out.grow(size), encoded.get(), size);
    return file;
}

} // namespace vtt
