// Every vector kernel this processor runs against the scalar reference, on
// random data of odd sizes at unaligned starts. Inputs end right before an
// unreadable page, so a read past them fails at once; outputs carry guard
// bytes that no kernel may touch.

#include "document/PixelArray.h"
#include "document/PixelKernels.h"

#include <QtTest>

#include <sys/mman.h>
#include <unistd.h>

#include <functional>
#include <random>
#include <vector>

using namespace vtt;
using namespace vtt::kernels;

namespace {

using Buffer = std::vector<std::uint8_t>;
constexpr std::size_t Guard = 64;

enum class Kernel { Shuffle, ShuffleInPlace, Fill, Reverse, Runs, RunsCut, Halve, HalveIndexed, HalveIndexedFewColours };

Buffer randomBytes(std::size_t n, std::mt19937& random, unsigned limit = 256)
{
    Buffer out(n);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(random() % limit);
    return out;
}

// Input bytes that end where an unreadable page begins; `at` only varies
// the alignment of their start.
struct Input {
    std::size_t mapped;
    std::uint8_t* block;
    std::uint8_t* start;
    Input(const Buffer& bytes, std::size_t at)
    {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t used = (bytes.size() + at + 64 + page - 1) / page * page;
        mapped = used + page;
        block = static_cast<std::uint8_t*>(mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (block == MAP_FAILED || mprotect(block + used, page, PROT_NONE) != 0)
            qFatal("cannot map the test's input");
        start = block + used - bytes.size();
        std::copy(bytes.begin(), bytes.end(), start);
    }
    Input(const Input&) = delete;
    ~Input() { munmap(block, mapped); }
    const std::uint8_t* data() const { return start; }
};

// Run-length packets for n pixels: runs and stored stretches of 1 to 40.
Buffer packets(std::size_t n, std::size_t pixelSize, std::mt19937& random)
{
    Buffer out;
    for (std::size_t done = 0; done < n;) {
        const std::size_t count = 1 + random() % 40;
        const bool run = random() % 2;
        out.push_back(static_cast<std::uint8_t>((run ? 0x80 : 0) | (count - 1)));
        const Buffer stored = randomBytes((run ? 1 : count) * pixelSize, random);
        out.insert(out.end(), stored.begin(), stored.end());
        done += count;
    }
    return out;
}

const PixelShuffle Shuffles[] = {RgbToRgba, BgrToRgba, SwapRedBlue, RgbaToRgb, RgbaToBgr,
                                 makeShuffle(4, 4, {2, 3, 1, 0}), makeShuffle(4, 4, {0, 0, 2, 3})};

// Runs one kernel of `set`; returns everything it produced, guards included.
Buffer run(const KernelSet& set, Kernel kernel, std::size_t n, std::size_t offset, int variant)
{
    std::mt19937 random(static_cast<unsigned>(n * 131 + offset * 7 + static_cast<unsigned>(variant)));
    Buffer out(offset + 4 * n + Guard, 0xA5);
    std::uint8_t* dst = out.data() + offset;
    switch (kernel) {
    case Kernel::Shuffle:
    case Kernel::ShuffleInPlace: {
        const PixelShuffle& s = Shuffles[variant];
        const Input in(randomBytes(n * s.inSize, random), offset);
        if (kernel == Kernel::Shuffle) {
            set.shuffle(in.data(), dst, n, s);
        } else if (s.inSize == 4 && s.outSize == 4) {
            std::copy(in.data(), in.data() + 4 * n, dst);
            set.shuffle(dst, dst, n, s);
        }
        break;
    }
    case Kernel::Fill: {
        const Buffer pixel = randomBytes(4, random);
        set.fill4(dst, pixel.data(), n);
        break;
    }
    case Kernel::Reverse: {
        const int size = variant ? 4 : 1;
        const Buffer pixels = randomBytes(n * static_cast<std::size_t>(size), random);
        std::copy(pixels.begin(), pixels.end(), dst);
        set.reverse(dst, n, size);
        break;
    }
    case Kernel::Runs:
    case Kernel::RunsCut: {
        const PixelShuffle& s = variant ? BgrToRgba : SwapRedBlue;
        Buffer data = packets(n, s.inSize, random);
        if (kernel == Kernel::RunsCut && !data.empty())
            data.resize(random() % data.size());
        const Input in(data, offset);
        std::size_t done = 0;
        const std::size_t used = set.expandRuns(in.data(), data.size(), dst, n, s, done);
        // Past the pixels done only the guards are defined.
        std::fill(dst + 4 * done, dst + 4 * n, 0);
        out.insert(out.end(), {std::uint8_t(used), std::uint8_t(used >> 8), std::uint8_t(done), std::uint8_t(done >> 8)});
        break;
    }
    case Kernel::Halve: {
        const int channels = variant % 2 ? 3 : 4;
        const std::size_t size = static_cast<std::size_t>(channels), right = variant < 2 ? size : 0;
        const Input top(randomBytes(2 * n * size, random), offset), bottom(randomBytes(2 * n * size, random), offset);
        set.halveRow(top.data(), bottom.data(), right, dst, n, channels);
        break;
    }
    case Kernel::HalveIndexed:
    case Kernel::HalveIndexedFewColours: {
        // Few colours: many blocks with ties between equally near entries.
        const unsigned limit = kernel == Kernel::HalveIndexed ? 256 : 2;
        const Buffer palette = randomBytes(1024, random, limit);
        // A level n / 3 + 1 rows high, 2n + 2 (odd n: one more) or one
        // pixel wide.
        const std::size_t width = variant ? 2 * n + 2 + n % 2 : 1, height = n / 3 + 1;
        const Input level(randomBytes(width * height, random), offset);
        out.resize(offset + (width > 1 ? width / 2 : 1) * (height > 1 ? height / 2 : 1) + Guard, 0xA5);
        set.halveIndexed(level.data(), width, height, palette.data(), out.data() + offset);
        break;
    }
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Kernel)

class PixelKernelsTest : public QObject {
    Q_OBJECT

private slots:
    void matchesScalar_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<Kernel>("kernel");
        QTest::addColumn<int>("variant");
        const struct {
            const char* name;
            Kernel kernel;
            int variants;
        } kernels[] = {
            {"shuffle", Kernel::Shuffle, int(std::size(Shuffles))},
            {"shuffle in place", Kernel::ShuffleInPlace, int(std::size(Shuffles))},
            {"fill", Kernel::Fill, 1},
            {"reverse 1/4 bytes", Kernel::Reverse, 2},
            {"run-length 4/3 bytes", Kernel::Runs, 2},
            {"run-length cut short", Kernel::RunsCut, 2},
            {"halve 4 or 3 channels, 2 or 1 wide", Kernel::Halve, 4},
            {"halve palette, 1 or 2 wide", Kernel::HalveIndexed, 2},
            {"halve palette of few colours", Kernel::HalveIndexedFewColours, 2},
        };
        const auto sets = available();
        for (std::size_t s = 1; s < sets.size(); ++s)
            for (const auto& k : kernels)
                for (int v = 0; v < k.variants; ++v)
                    QTest::addRow("%s, %s %d", sets[s]->name, k.name, v) << int(s) << k.kernel << v;
        if (sets.size() == 1)
            QTest::addRow("scalar only") << 0 << Kernel::Fill << 0;
    }
    void matchesScalar()
    {
        QFETCH(int, set);
        QFETCH(Kernel, kernel);
        QFETCH(int, variant);
        const auto sets = available();
        for (std::size_t n : {0, 1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 33, 40, 63, 100, 129, 257})
            for (std::size_t offset : {0, 1, 3})
                QVERIFY2(run(*sets[set], kernel, n, offset, variant) == run(*sets[0], kernel, n, offset, variant),
                         qPrintable(QString("%1 pixels at offset %2").arg(n).arg(offset)));
    }

    // VTT_KERNELS caps the set; a set the processor lacks or an unknown
    // name never gets chosen.
    void kernelsVariable()
    {
        const struct {
            const char* value;
            SetId widest, chosen;
            bool problem;
        } cases[] = {
            {nullptr, SetId::Avx512, SetId::Avx512, false}, {"", SetId::Avx2, SetId::Avx2, false},
            {"scalar", SetId::Avx512, SetId::Scalar, false}, {"ssse3", SetId::Avx2, SetId::Ssse3, false},
            {"avx512", SetId::Avx2, SetId::Avx2, false},     {"avx2", SetId::Scalar, SetId::Scalar, false},
            {"AVX2", SetId::Avx512, SetId::Avx512, true},    {"sse", SetId::Ssse3, SetId::Ssse3, true},
        };
        for (const auto& c : cases) {
            std::string problem;
            QCOMPARE(chooseSet(c.value, c.widest, problem), c.chosen);
            QCOMPARE(!problem.empty(), c.problem);
        }
    }

    // Large arrays live in their own mappings: growing one moves its bytes
    // to a new mapping and gives back the old one whole.
    void largeArrayKeepsItsBytes()
    {
        PixelArray pixels(std::size_t(40) << 20);
        for (std::size_t i = 0; i < pixels.size(); i += 4093)
            pixels[i] = static_cast<std::uint8_t>(i);
        pixels.resize(pixels.size() + (std::size_t(24) << 20));
        for (std::size_t i = 0; i < (std::size_t(40) << 20); i += 4093)
            QCOMPARE(pixels[i], static_cast<std::uint8_t>(i));
        pixels.back() = 7;
        const PixelArray copy = pixels;
        QCOMPARE(copy.back(), std::uint8_t(7));
    }
};

QTEST_APPLESS_MAIN(PixelKernelsTest)
#include "test_pixel_kernels.moc"
