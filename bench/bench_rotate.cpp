// Rotation rows: a clockwise quarter turn of a side x side image, RGBA and
// palette indices, into a new block as the command does. Judged like the
// other operations by the bytes they produce (see scripts/bench-table.py).

#include "BenchFiles.h"

#include "codecs/TexReader.h"
#include "operations/Rotate.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vtt;
using namespace vtt::bench;

namespace {

void rotateBench(benchmark::State& state, FileLayout layout, int side)
{
    const auto& file = cachedFile(layout, side);
    ReadResult read = readTex(Bytes(file.data(), file.size()));
    if (!read.has_value()) {
        state.SkipWithError(read.error().detail.c_str());
        return;
    }
    ImageDocument doc = std::move(read.value());
    for (auto _ : state) {
        benchmark::DoNotOptimize(rotateImage(doc, 90).value_or(false));
        benchmark::DoNotOptimize(doc.isPaletted() ? doc.PixelIndices().data() : doc.PixelBytes().data());
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = static_cast<double>(decodedBytes(layout, side));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * decodedBytes(layout, side)));
}

[[maybe_unused]] const bool registered = [] {
    for (int side : {256, 1024, 4096})
        for (const auto& [name, layout] :
             {std::pair{"rgba", FileLayout::Tex18}, std::pair{"indexed", FileLayout::Tex1}})
            benchmark::RegisterBenchmark(("rotate/" + std::string(name) + "/" + std::to_string(side)).c_str(),
                                         rotateBench, layout, side)
                ->UseRealTime()
                ->Unit(benchmark::kMicrosecond);
    return true;
}();

} // namespace
