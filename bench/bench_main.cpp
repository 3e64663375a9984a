// The benchmark suite: decoding, encoding, the operations, the redraw and
// the whole open command, with the baselines each is judged against.
//
// Names are group/case/side. Every benchmark reports the bytes it produces
// as the counter "bytes", which is how scripts/bench.sh pairs it with the
// memcpy baseline of the same size and the TGA decodes with stb_image and
// Qt's own plugin on the same file.

#include "BenchFiles.h"
#include "BenchPng.h"
#include "BenchWriters.h"

#include "codecs/TexReader.h"
#include "codecs/TgaReader.h"
#include "operations/ChannelSwitch.h"
#include "operations/FlipMirror.h"
#include "shell/frmSkelvo.h"
#include "support/ScriptedPlatform.h"
#include "view/PictureArea.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#include <stb/stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>

using namespace vtt;
using namespace vtt::bench;

namespace {

constexpr int Sides[] = {256, 1024, 4096};
constexpr FileLayout Decoded[] = {FileLayout::Tex1,  FileLayout::Tex17, FileLayout::Tex18,   FileLayout::Tga8,
                                  FileLayout::Tga24, FileLayout::Tga32, FileLayout::Tga32Rle};

// Every size some benchmark produces gets a memcpy baseline of its own.
std::set<std::size_t> memcpySizes;

void produced(benchmark::State& state, std::size_t bytes)
{
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

Bytes bytesOf(const std::vector<std::uint8_t>& file) { return Bytes(file.data(), file.size()); }

ReadResult readAny(FileLayout layout, Bytes file)
{
    return isTga(layout) ? readTga(file) : readTex(file);
}

// A decoded document to run the operations and the redraw on.
ImageDocument documentOf(FileLayout layout, int side)
{
    ReadResult r = readAny(layout, bytesOf(cachedFile(layout, side)));
    if (!r.has_value()) {
        std::fprintf(stderr, "cannot decode the %s benchmark image: %s\n", layoutName(layout),
                     r.error().detail.c_str());
        std::exit(1);
    }
    return std::move(r.value());
}

// --- baselines -------------------------------------------------------------

// The machine's limit: copying between two buffers already in memory.
void memcpyWarm(benchmark::State& state, std::size_t bytes)
{
    std::vector<std::uint8_t> src(bytes, 1), dst(bytes, 2);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// What any decoder that returns a new image pays at least: a fresh block
// (page faults on first touch) plus the copy.
void memcpyFresh(benchmark::State& state, std::size_t bytes)
{
    std::vector<std::uint8_t> src(bytes, 1);
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> dst(new std::uint8_t[bytes]);
        std::memcpy(dst.get(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.get());
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void stbDecode(benchmark::State& state, FileLayout layout, int side)
{
    const auto& file = cachedFile(layout, side);
    int w = 0, h = 0, channels = 0;
    for (auto _ : state) {
        // The natural channel count: the least work stb_image can do.
        stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &channels, 0);
        if (!pixels) {
            state.SkipWithError(stbi_failure_reason());
            return;
        }
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    produced(state, static_cast<std::size_t>(w) * h * channels);
}

void qtDecode(benchmark::State& state, FileLayout layout, int side)
{
    const auto& file = cachedFile(layout, side);
    std::size_t bytes = 0;
    for (auto _ : state) {
        QImage image;
        if (!image.loadFromData(file.data(), static_cast<int>(file.size()), "TGA")) {
            state.SkipWithError("Qt's TGA plugin does not read this file");
            return;
        }
        bytes = static_cast<std::size_t>(image.sizeInBytes());
        benchmark::DoNotOptimize(image.constBits());
    }
    produced(state, bytes);
}

// --- the tool ----------------------------------------------------------------

void decode(benchmark::State& state, FileLayout layout, int side)
{
    const Bytes file = bytesOf(cachedFile(layout, side));
    for (auto _ : state) {
        ReadResult r = readAny(layout, file);
        if (!r.has_value()) {
            state.SkipWithError(r.error().detail.c_str());
            return;
        }
        benchmark::DoNotOptimize(r.value().PixelBytes().data());
        benchmark::DoNotOptimize(r.value().PixelIndices().data());
    }
    produced(state, decodedBytes(layout, side));
}

void encode(benchmark::State& state, EncodeCase which, int side)
{
    ImageDocument doc = documentOf(sourceLayout(which), side);
    std::string problem;
    if (!prepareForEncode(which, doc, problem)) {
        state.SkipWithError(problem.c_str());
        return;
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        if (!encodeDocument(which, doc, bytes, problem)) {
            state.SkipWithError(problem.c_str());
            return;
        }
    }
    produced(state, bytes);
}

template <typename Operation>
void operation(benchmark::State& state, FileLayout layout, int side, Operation op)
{
    ImageDocument doc = documentOf(layout, side);
    for (auto _ : state) {
        op(doc);
        benchmark::DoNotOptimize(doc.PixelBytes().data());
        benchmark::ClobberMemory();
    }
    produced(state, decodedBytes(layout, side));
}

// Channel switch mappings, named by the source of red, green, blue, alpha:
// the red-blue exchange, an arbitrary order and one that repeats a channel.
struct SwitchCase {
    const char* name;
    Channel red, green, blue, alpha;
};
constexpr SwitchCase SwitchCases[] = {
    {"bgra", Channel::Blue, Channel::Green, Channel::Red, Channel::Alpha},
    {"bagr", Channel::Blue, Channel::Alpha, Channel::Green, Channel::Red},
    {"rrba", Channel::Red, Channel::Red, Channel::Blue, Channel::Alpha},
};

void switchChannelsBench(benchmark::State& state, SwitchCase which, int side)
{
    ChannelMapping mapping;
    mapping.source = {which.red, which.green, which.blue, which.alpha};
    operation(state, FileLayout::Tex18, side, [&](ImageDocument& doc) { switchChannels(doc, mapping); });
}

struct Window {
    ImageDocument doc;
    testing::ScriptedPlatform platform;
    frmSkelvo window{doc, platform};
    Window()
    {
        window.show();
        QApplication::processEvents();
    }
};

enum class View { Actual, Fit, Zoom32 };

// One paint of the main window's picture area: the visible 252 x 252 part
// rendered from the document and put on screen, at 1:1 from the top-left,
// with the whole image fitted, and at 32 x.
void redrawView(benchmark::State& state, FileLayout layout, int side, View view)
{
    Window w;
    w.doc = documentOf(layout, side);
    PictureArea* picture = w.window.picture();
    picture->documentOpened(w.doc);
    if (view == View::Fit)
        picture->fitToArea();
    for (int i = 0; view == View::Zoom32 && i < 5; ++i)
        picture->zoomIn();
    for (auto _ : state)
        picture->repaint();
    const QSize area = picture->contentsRect().size();
    produced(state, static_cast<std::size_t>(area.width()) * area.height() * 4);
}

// File > Open of a TEX file through the main window: dialog answer, read,
// decode, header panel, draw.
void openCommand(benchmark::State& state, FileLayout layout, int side)
{
    const std::string path =
        writeTempFile(std::string("vtt-bench-open-") + layoutName(layout) + "-" + std::to_string(side) + ".tex",
                      cachedFile(layout, side));
    Window w;
    for (auto _ : state) {
        w.platform.answerFile(QString::fromStdString(path), TexFilterIndex);
        w.window.mnuOpen_Click();
        if (!w.platform.messages.empty()) {
            state.SkipWithError(w.platform.messages.back().text.toStdString().c_str());
            return;
        }
    }
    if (w.doc.area() != std::size_t(side) * side) {
        state.SkipWithError("the open command did not load the file");
        return;
    }
    produced(state, decodedBytes(layout, side));
}

// What File > Open is judged against: reading the same file into a fresh
// block, then copying the decoded image's bytes into another fresh block.
void openBaseline(benchmark::State& state, FileLayout layout, int side)
{
    const std::string path =
        writeTempFile(std::string("vtt-bench-open-") + layoutName(layout) + "-" + std::to_string(side) + ".tex",
                      cachedFile(layout, side));
    const std::size_t decoded = decodedBytes(layout, side);
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        const auto size = static_cast<std::size_t>(std::ftell(f));
        std::fseek(f, 0, SEEK_SET);
        std::unique_ptr<std::uint8_t[]> file(new std::uint8_t[size]);
        const std::size_t got = std::fread(file.get(), 1, size, f);
        std::fclose(f);
        std::unique_ptr<std::uint8_t[]> image(new std::uint8_t[decoded]);
        std::memcpy(image.get(), file.get() + (size - std::min(size, decoded)), std::min(got, decoded));
        benchmark::DoNotOptimize(image.get());
    }
    produced(state, decoded);
}

template <typename... Args>
void add(const std::string& name, Args&&... args)
{
    benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
}

void registerAll()
{
    for (int side : Sides) {
        const std::string s = "/" + std::to_string(side);
        for (FileLayout layout : Decoded) {
            add(std::string("decode/") + layoutName(layout) + s, decode, layout, side);
            if (isTga(layout)) {
                add(std::string("stb/") + layoutName(layout) + s, stbDecode, layout, side);
                add(std::string("qt/") + layoutName(layout) + s, qtDecode, layout, side);
            }
        }
        for (EncodeCase which : encodeCases())
            add(std::string("encode/") + encodeName(which) + s, encode, which, side);
        add("flip/rgba" + s, operation<void (*)(ImageDocument&)>, FileLayout::Tex18, side, flipImage);
        add("mirror/rgba" + s, operation<void (*)(ImageDocument&)>, FileLayout::Tex18, side, mirrorImage);
        add("flip/indexed" + s, operation<void (*)(ImageDocument&)>, FileLayout::Tex1, side, flipImage);
        add("mirror/indexed" + s, operation<void (*)(ImageDocument&)>, FileLayout::Tex1, side, mirrorImage);
        for (const SwitchCase& c : SwitchCases)
            add(std::string("switch/") + c.name + s, switchChannelsBench, c, side);
        add("redraw/rgba-1:1" + s, redrawView, FileLayout::Tex18, side, View::Actual);
        add("redraw/rgba-fit" + s, redrawView, FileLayout::Tex18, side, View::Fit);
        add("redraw/rgba-32x" + s, redrawView, FileLayout::Tex18, side, View::Zoom32);
        add("redraw/indexed-fit" + s, redrawView, FileLayout::Tex1, side, View::Fit);
    }
    registerPngBenchmarks(Sides, static_cast<int>(std::size(Sides)));
    add("open/tex18/4096", openCommand, FileLayout::Tex18, 4096);
    add("open-baseline/tex18/4096", openBaseline, FileLayout::Tex18, 4096);

    for (int side : Sides) {
        for (FileLayout layout : Decoded)
            memcpySizes.insert(decodedBytes(layout, side));
        for (EncodeCase which : encodeCases())
            if (const std::size_t bytes = encodedBytes(which, side))
                memcpySizes.insert(bytes);
    }
    {
        Window w;
        const QSize area = w.window.picture()->contentsRect().size();
        memcpySizes.insert(static_cast<std::size_t>(area.width()) * area.height() * 4);
    }
    for (std::size_t bytes : memcpySizes) {
        add("memcpy/" + std::to_string(bytes), memcpyWarm, bytes);
        add("memcpy-fresh/" + std::to_string(bytes), memcpyFresh, bytes);
    }
}


} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
