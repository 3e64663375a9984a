// Whole paints of a 1920 x 1080 picture area showing a 4096 x 4096 32-bit
// image: the render from the document plus Qt's blit and flush, at 1:1,
// fitted and at 32 x, and in the checkerboard and single-channel modes;
// and the half-size levels a view below 1:1 is drawn from, built once per
// change of the picture.

#include "BenchFiles.h"
#include "codecs/TexReader.h"
#include "view/PictureArea.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <string>

namespace vtt::bench {

namespace {

enum class Zoom { Actual, Fit, Times32 };

void paint(benchmark::State& state, Zoom zoom, ChannelMode mode)
{
    const std::vector<std::uint8_t>& file = cachedFile(FileLayout::Tex18, 4096);
    auto read = readTex(Bytes(file.data(), file.size()));
    if (!read.has_value()) {
        state.SkipWithError(read.error().detail.c_str());
        return;
    }
    const ImageDocument doc = std::move(read.value());
    PictureArea area;
    area.resize(1920, 1080);
    area.resize(QSize(1920, 1080) * 2 - area.contentsRect().size());
    area.show();
    QApplication::processEvents();
    if (area.contentsRect().size() != QSize(1920, 1080)) {
        state.SkipWithError("the picture area did not get its 1920 x 1080 pixels");
        return;
    }
    area.documentOpened(doc);
    area.setChannelMode(mode);
    if (zoom == Zoom::Fit)
        area.fitToArea();
    for (int i = 0; zoom == Zoom::Times32 && i < 5; ++i)
        area.zoomIn();
    area.repaint(); // builds the half-size levels, once per change: timed apart below
    for (auto _ : state)
        area.repaint();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 1920 * 1080 * 4);
    state.counters["bytes"] = 1920.0 * 1080 * 4;
}

void pyramid(benchmark::State& state)
{
    const std::vector<std::uint8_t>& file = cachedFile(FileLayout::Tex18, 4096);
    auto read = readTex(Bytes(file.data(), file.size()));
    if (!read.has_value()) {
        state.SkipWithError(read.error().detail.c_str());
        return;
    }
    ViewPyramid levels;
    for (auto _ : state)
        levels.build(*read);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 4096 * 4096 * 4);
}

struct Case {
    const char* name;
    Zoom zoom;
    ChannelMode mode;
};
constexpr Case Cases[] = {
    {"1:1", Zoom::Actual, ChannelMode::Colour},
    {"fit", Zoom::Fit, ChannelMode::Colour},
    {"32x", Zoom::Times32, ChannelMode::Colour},
    {"checkerboard 1:1", Zoom::Actual, ChannelMode::Checkerboard},
    {"checkerboard fit", Zoom::Fit, ChannelMode::Checkerboard},
    {"red fit", Zoom::Fit, ChannelMode::Red},
    {"alpha 1:1", Zoom::Actual, ChannelMode::Alpha},
};

const bool registered = [] {
    for (const Case& c : Cases)
        benchmark::RegisterBenchmark((std::string("paint/1920x1080 ") + c.name + "/4096").c_str(), paint, c.zoom,
                                     c.mode)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("paint/half-size levels/4096", pyramid)->UseRealTime()->Unit(benchmark::kMicrosecond);
    return true;
}();

} // namespace

} // namespace vtt::bench
