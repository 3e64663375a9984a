// Reduces a PNG picture to a palette the way the Mode command will, for
// scripts/compare-quantize.sh: reads IN.png, quantizes its RGBA pixels and
// writes the result expanded back to raw RGBA bytes (width x height x 4,
// rows top first) to OUT, so every tool's output is measured the same way.
//
//   vtt_quantize_driver IN.png OUT.rgba [COLOURS] [none|fs]

#include "codecs/PngReader.h"
#include "operations/Quantize.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

using namespace vtt;

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s IN.png OUT.rgba [COLOURS] [none|fs]\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ReadResult read = readPng(Bytes(file.data(), file.size()));
    if (!read.has_value()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], read.error().detail.c_str());
        return 1;
    }
    ImageDocument& doc = read.value();
    const int w = doc.ImageWidth(), h = doc.ImageHeight();
    PixelArray rgba;
    if (doc.isPaletted()) {
        rgba.resize(std::size_t(w) * std::size_t(h) * 4);
        quantize::expandIndices(doc.PixelIndices(), doc.Palette(), rgba);
    } else {
        rgba.assign(doc.PixelBytes().begin(), doc.PixelBytes().end());
    }
    quantize::Options options;
    options.colours = argc > 3 ? std::atoi(argv[3]) : 256;
    options.dither = argc > 4 && std::strcmp(argv[4], "fs") == 0 ? quantize::Dither::FloydSteinberg
                                                                 : quantize::Dither::None;
    auto out = quantize::quantizeRgba(rgba, w, h, options);
    if (!out) {
        std::fprintf(stderr, "%s: %s\n", argv[1], out.error().detail.c_str());
        return 1;
    }
    quantize::expandIndices(out->indices, out->palette, rgba);
    std::ofstream(argv[2], std::ios::binary).write(reinterpret_cast<const char*>(rgba.data()),
                                                   std::streamsize(rgba.size()));
    return 0;
}
