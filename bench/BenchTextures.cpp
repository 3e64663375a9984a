// Colour reduction and scaling rows: quantize/rgba[-fs]/SIDE reduces a
// photo-like RGBA picture to 256 colours without and with Floyd-Steinberg
// dithering; scale/rgba-to-1024-mitchell/4096 scales a 4096 x 4096 one to
// 1024 x 1024 in linear light with the default filter. Their figures are
// times, reported by scripts/bench.sh like the other rows; the processor
// time counts every thread (the quantizer's own, the scale's bands).

#include "document/Resample.h"
#include "operations/Quantize.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <string>

using namespace vtt;

namespace {

// Smooth gradients, soft blobs of colour and a little grain: a picture with
// tens of thousands of colours, as painted or photographed textures have.
const PixelArray& photoLike(int side)
{
    static std::map<int, PixelArray> made;
    PixelArray& px = made[side];
    if (!px.empty())
        return px;
    px.resize(std::size_t(side) * std::size_t(side) * 4);
    std::uint32_t seed = 12345;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double u = double(x) / side, v = double(y) / side;
            seed = seed * 1664525u + 1013904223u;
            const double grain = double(seed >> 24) / 255.0 * 6 - 3;
            const double blob = std::sin(u * 9.1 + std::cos(v * 5.3)) * std::cos(v * 7.7 - u * 2.1);
            std::uint8_t* p = &px[(std::size_t(y) * std::size_t(side) + std::size_t(x)) * 4];
            p[0] = std::uint8_t(std::clamp(40 + 150 * u + 40 * blob + grain, 0.0, 255.0));
            p[1] = std::uint8_t(std::clamp(90 + 100 * v - 30 * blob + grain, 0.0, 255.0));
            p[2] = std::uint8_t(std::clamp(60 + 120 * (1 - u) * v + 50 * blob + grain, 0.0, 255.0));
            p[3] = 255;
        }
    return px;
}

void quantizeBench(benchmark::State& state, int side, quantize::Dither dither)
{
    const PixelArray& px = photoLike(side);
    for (auto _ : state) {
        auto out = quantize::quantizeRgba(px, side, side, {256, dither, true});
        if (!out) {
            state.SkipWithError(out.error().detail.c_str());
            return;
        }
        benchmark::DoNotOptimize(out->indices.data());
    }
    state.counters["bytes"] = double(side) * side;
}

void scaleBench(benchmark::State& state, int side, int to)
{
    const PixelArray& px = photoLike(side);
    for (auto _ : state) {
        auto out = resample::scaleRgba(px, side, side, to, to, resample::Filter::Mitchell);
        if (!out) {
            state.SkipWithError(out.error().detail.c_str());
            return;
        }
        benchmark::DoNotOptimize(out->data());
    }
    state.counters["bytes"] = double(to) * to * 4;
}

[[maybe_unused]] const bool registered = [] {
    for (int side : {256, 1024, 4096})
        for (const auto& [name, dither] : {std::pair{"rgba", quantize::Dither::None},
                                           std::pair{"rgba-fs", quantize::Dither::FloydSteinberg}})
            benchmark::RegisterBenchmark(("quantize/" + std::string(name) + "/" + std::to_string(side)).c_str(),
                                         quantizeBench, side, dither)
                ->UseRealTime()
                ->MeasureProcessCPUTime()
                ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("scale/rgba-to-1024-mitchell/4096", scaleBench, 4096, 1024)
        ->UseRealTime()
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
