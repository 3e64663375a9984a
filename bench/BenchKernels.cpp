// Each instruction set's own version of every pixel kernel, on one 256 x 256
// image in cache: what decides which set each kernel uses. Names are
// kernel/NAME@SET/256; a set without its own version of a kernel has no row.

#include "document/PixelKernels.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace vtt::kernels;

namespace {

constexpr std::size_t Side = 256, Pixels = Side * Side;
using Buffer = std::vector<std::uint8_t>;

Buffer randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    Buffer out(n);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(random());
    return out;
}

// Packets as an image editor writes them for a picture of flat areas and
// detail: runs and stored stretches of 1 to 32 pixels, 16 on average.
Buffer packets(std::size_t pixelSize)
{
    std::mt19937 random(7);
    Buffer out;
    for (std::size_t done = 0; done < Pixels;) {
        const std::size_t count = std::min<std::size_t>(1 + random() % 32, Pixels - done);
        const bool run = random() % 2;
        out.push_back(static_cast<std::uint8_t>((run ? 0x80 : 0) | (count - 1)));
        for (std::size_t i = 0; i < (run ? 1 : count) * pixelSize; ++i)
            out.push_back(static_cast<std::uint8_t>(random()));
        done += count;
    }
    return out;
}

void report(benchmark::State& state, std::size_t bytes)
{
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void shuffleBench(benchmark::State& state, ShuffleFn fn, const PixelShuffle* s)
{
    const Buffer in = randomBytes(Pixels * s->inSize, 1);
    Buffer out(Pixels * s->outSize);
    for (auto _ : state) {
        fn(in.data(), out.data(), Pixels, *s);
        benchmark::DoNotOptimize(out.data());
    }
    report(state, out.size());
}

void fillBench(benchmark::State& state, const KernelSet* set)
{
    Buffer out(Pixels * 4);
    const std::uint8_t pixel[4] = {1, 2, 3, 4};
    for (auto _ : state) {
        // Packet-sized fills, as the run-length decode makes them.
        for (std::size_t at = 0; at < Pixels; at += 16)
            set->fill4(out.data() + 4 * at, pixel, 16);
        benchmark::DoNotOptimize(out.data());
    }
    report(state, out.size());
}

void reverseBench(benchmark::State& state, const KernelSet* set, int pixelSize)
{
    const std::size_t size = static_cast<std::size_t>(pixelSize);
    Buffer image = randomBytes(Pixels * size, 2);
    for (auto _ : state) {
        for (std::size_t y = 0; y < Side; ++y)
            set->reverse(image.data() + y * Side * size, Side, pixelSize);
        benchmark::DoNotOptimize(image.data());
    }
    report(state, image.size());
}

void runsBench(benchmark::State& state, RunsFn fn, const PixelShuffle* s)
{
    const Buffer data = packets(s->inSize);
    Buffer out(Pixels * 4);
    for (auto _ : state) {
        std::size_t done = 0;
        benchmark::DoNotOptimize(fn(data.data(), data.size(), out.data(), Pixels, *s, done));
        benchmark::DoNotOptimize(out.data());
    }
    report(state, out.size());
}

// What no vector can shorten in a run-length decode: finding each packet's
// head from the one before (a load and a few operations per packet). Only
// walks the heads of the runs-bgra data and stores nothing: the floor.
void headsOnly(benchmark::State& state)
{
    const Buffer data = packets(4);
    for (auto _ : state) {
        std::size_t at = 0, pixels = 0;
        while (at < data.size()) {
            const unsigned head = data[at], count = (head & 0x7Fu) + 1;
            at += 1 + 4 * (head & 0x80u ? 1 : count);
            pixels += count;
        }
        benchmark::DoNotOptimize(pixels);
    }
    report(state, Pixels * 4);
}

void halveBench(benchmark::State& state, const KernelSet* set, int channels)
{
    const std::size_t size = static_cast<std::size_t>(channels), row = Side * size;
    const Buffer level = randomBytes(Pixels * size, 3);
    Buffer out(Pixels / 4 * size);
    for (auto _ : state) {
        for (std::size_t y = 0; y < Side / 2; ++y)
            set->halveRow(level.data() + 2 * y * row, level.data() + (2 * y + 1) * row, size,
                          out.data() + y * row / 2, Side / 2, channels);
        benchmark::DoNotOptimize(out.data());
    }
    report(state, out.size());
}

void halveIndexedBench(benchmark::State& state, const KernelSet* set)
{
    const Buffer level = randomBytes(Pixels, 4), palette = randomBytes(1024, 5);
    Buffer out(Pixels / 4);
    for (auto _ : state) {
        set->halveIndexed(level.data(), Side, Side, palette.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    report(state, out.size());
}

// The sets' own tables, narrowest first, as far as this processor runs them.
std::vector<const KernelSet*> ownSets()
{
    std::vector<const KernelSet*> own{&detail::Scalar};
#if defined(__x86_64__)
    const KernelSet* vector[] = {&detail::Ssse3, &detail::Avx2, &detail::Avx512};
    for (std::size_t s = 1; s < available().size(); ++s)
        own.push_back(vector[s - 1]);
#endif
    return own;
}

const bool registered = [] {
    benchmark::RegisterBenchmark("kernel/runs-heads-only/256", headsOnly);
    for (const KernelSet* set : ownSets()) {
        const auto add = [&](const char* kernel, auto fn, auto... args) {
            benchmark::RegisterBenchmark((std::string("kernel/") + kernel + "@" + set->name + "/256").c_str(), fn,
                                         args...);
        };
        if (set->shuffle34)
            add("shuffle-bgr-rgba", shuffleBench, set->shuffle34, &BgrToRgba);
        if (set->shuffle44)
            add("shuffle-bgra-rgba", shuffleBench, set->shuffle44, &SwapRedBlue);
        if (set->shuffle43)
            add("shuffle-rgba-bgr", shuffleBench, set->shuffle43, &RgbaToBgr);
        if (set->fill4)
            add("fill", fillBench, set);
        if (set->reverse) {
            add("reverse-1", reverseBench, set, 1);
            add("reverse-4", reverseBench, set, 4);
        }
        if (set->expandRuns3)
            add("runs-bgr", runsBench, set->expandRuns3, &BgrToRgba);
        if (set->expandRuns4)
            add("runs-bgra", runsBench, set->expandRuns4, &SwapRedBlue);
        if (set->halveRow) {
            add("halve-4", halveBench, set, 4);
            add("halve-3", halveBench, set, 3);
        }
        if (set->halveIndexed)
            add("halve-indexed", halveIndexedBench, set);
    }
    return true;
}();

} // namespace
