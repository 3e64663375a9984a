#include "BenchPng.h"

#include "codecs/PngReader.h"
#include "codecs/PngWriter.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vtt::bench {

namespace {

using File = std::vector<std::uint8_t>;

std::uint32_t hash(std::uint32_t x, std::uint32_t y)
{
    std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    return h * 0x2C1B3C6Du;
}

// A painted-looking texture: broad gradients and bands with a little grain,
// which compresses about as well as real game art (noise would not).
ImageDocument textureDocument(bool palette, int side)
{
    ImageDocument doc = ImageDocument::create(side, side, palette ? PaletteDepth : 32).value();
    doc.Facts.Kind = ImageFormat::Png;
    for (int c = 0; c < PaletteEntries; ++c)
        for (int k = 0; k < 4; ++k)
            doc.Palette()[4 * c + k] = static_cast<std::uint8_t>(k == 3 ? 255 : (c * (k + 3)) & 0xFF);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const std::size_t i = std::size_t(y) * side + x;
            const std::uint32_t grain = hash(x, y) >> 29; // 0..7
            const int u = x * 256 / side, v = y * 256 / side;
            if (palette) {
                doc.PixelIndices()[i] = static_cast<std::uint8_t>(((u / 16) * 16 + (v / 32)) ^ (grain < 2 ? grain : 0));
            } else {
                std::uint8_t* p = &doc.PixelBytes()[4 * i];
                p[0] = static_cast<std::uint8_t>(u + grain);
                p[1] = static_cast<std::uint8_t>((u + v) / 2 + grain);
                p[2] = static_cast<std::uint8_t>(v ^ ((x / 32 + y / 32) & 1 ? 0x40 : 0));
                p[3] = static_cast<std::uint8_t>(((x / 64) & 1) ? 255 : 200 + grain);
            }
        }
    return doc;
}

const ImageDocument& cachedDocument(bool palette, int side)
{
    static std::map<std::pair<bool, int>, ImageDocument> cache;
    auto it = cache.find({palette, side});
    if (it == cache.end())
        it = cache.emplace(std::pair{palette, side}, textureDocument(palette, side)).first;
    return it->second;
}

const File& cachedPng(bool palette, int side)
{
    static std::map<std::pair<bool, int>, File> cache;
    auto it = cache.find({palette, side});
    if (it == cache.end()) {
        const ImageDocument& doc = cachedDocument(palette, side);
        WriteResult w = writePng(doc, doc.BitDepth());
        it = cache.emplace(std::pair{palette, side}, File(w.value().begin(), w.value().end())).first;
    }
    return it->second;
}

void decodePng(benchmark::State& state, bool palette, int side)
{
    const File& file = cachedPng(palette, side);
    for (auto _ : state) {
        ReadResult r = readPng(Bytes(file.data(), file.size()));
        if (!r.has_value()) {
            state.SkipWithError(r.error().detail.c_str());
            return;
        }
        benchmark::DoNotOptimize(r.value().PixelBytes().data());
    }
    state.counters["bytes"] = double(std::size_t(side) * side * (palette ? 1 : 4));
}

void encodePng(benchmark::State& state, bool palette, int side)
{
    const ImageDocument& doc = cachedDocument(palette, side);
    std::size_t size = 0;
    for (auto _ : state) {
        WriteResult w = writePng(doc, doc.BitDepth());
        if (!w.has_value()) {
            state.SkipWithError(w.error().detail.c_str());
            return;
        }
        size = w.value().size();
        benchmark::DoNotOptimize(w.value().data());
    }
    state.counters["bytes"] = double(size);
    state.counters["file"] = double(size);
}

// --- the reference library, with its plain API and no transforms ----------

struct Reader {
    const File* file;
    std::size_t at;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->at + count > r->file->size())
        png_error(png, "read past the end");
    std::memcpy(out, r->file->data() + r->at, count);
    r->at += count;
}

void writeToMemory(png_structp png, png_bytep data, png_size_t count)
{
    auto* out = static_cast<File*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void flushNothing(png_structp) {}

void libpngDecode(benchmark::State& state, bool palette, int side)
{
    const File& file = cachedPng(palette, side);
    std::size_t bytes = 0;
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        std::unique_ptr<std::uint8_t[]> pixels;
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_read_struct(&png, &info, nullptr);
            state.SkipWithError("libpng refused the file");
            return;
        }
        Reader reader{&file, 0};
        png_set_read_fn(png, &reader, readFromMemory);
        png_read_info(png, info);
        const std::size_t stride = png_get_rowbytes(png, info);
        const std::size_t height = png_get_image_height(png, info);
        pixels.reset(new std::uint8_t[stride * height]); // not zero-filled, as the document's pixels are not
        std::vector<png_bytep> rows(height);
        for (std::size_t y = 0; y < height; ++y)
            rows[y] = pixels.get() + y * stride;
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        bytes = stride * height;
        benchmark::DoNotOptimize(pixels.get());
    }
    state.counters["bytes"] = double(bytes);
}

void libpngEncode(benchmark::State& state, bool palette, int side)
{
    const ImageDocument& doc = cachedDocument(palette, side);
    std::size_t size = 0;
    for (auto _ : state) {
        File out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            state.SkipWithError("libpng could not write the image");
            return;
        }
        png_set_write_fn(png, &out, writeToMemory, flushNothing);
        png_set_compression_level(png, PngCompressionLevel);
        png_set_IHDR(png, info, side, side, 8, palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGBA,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        std::vector<png_color> colours(PaletteEntries);
        if (palette) {
            for (int c = 0; c < PaletteEntries; ++c)
                colours[c] = png_color{doc.Palette()[4 * c], doc.Palette()[4 * c + 1], doc.Palette()[4 * c + 2]};
            png_set_PLTE(png, info, colours.data(), PaletteEntries);
        }
        png_write_info(png, info);
        const std::size_t stride = std::size_t(side) * (palette ? 1 : 4);
        const std::uint8_t* pixels = palette ? doc.PixelIndices().data() : doc.PixelBytes().data();
        for (int y = 0; y < side; ++y)
            png_write_row(png, pixels + y * stride);
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        size = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = double(size);
    state.counters["file"] = double(size);
}

// Timed by the thread's CPU time, unlike the other rows: each side of the
// comparison runs on one thread, and on a shared machine the wall clock
// of a run that takes seconds mostly measures the other processes.
template <typename... Args>
void add(const std::string& name, Args&&... args)
{
    benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)->Unit(benchmark::kMicrosecond);
}

} // namespace

void registerPngBenchmarks(const int* sides, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::string s = "/" + std::to_string(sides[i]);
        for (bool palette : {false, true}) {
            const std::string kind = palette ? "png-palette" : "png-rgba";
            add("decode/" + kind + s, decodePng, palette, sides[i]);
            add("libpng-decode/" + kind + s, libpngDecode, palette, sides[i]);
            add("encode/" + kind + s, encodePng, palette, sides[i]);
            add("libpng-encode/" + kind + s, libpngEncode, palette, sides[i]);
        }
    }
}

} // namespace vtt::bench
