// Peak memory of one File > Open of a 4096 x 4096 type-18 TEX file through
// the main window, against the budget: decoded image + file + 16 MiB.
//
//   vtt_open_peak [side]
//
// The peak is taken from the kernel's high-water mark, reset just before the
// open, so it counts what the open adds to a running tool (Qt, the window)
// and nothing the start-up itself costs. /usr/bin/time -v on this program
// gives the whole process' peak as a cross-check.

#include "BenchFiles.h"

#include "shell/frmSkelvo.h"
#include "support/ScriptedPlatform.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

bool resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace vtt;
    const int side = argc > 1 ? std::atoi(argv[1]) : 4096;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    std::string path;
    std::size_t fileBytes = 0;
    {
        const auto bytes = bench::makeFile(bench::FileLayout::Tex18, side);
        fileBytes = bytes.size();
        path = bench::writeTempFile("vtt-open-peak-" + std::to_string(side) + ".tex", bytes);
    }
    const std::size_t decoded = bench::decodedBytes(bench::FileLayout::Tex18, side);

    ImageDocument doc;
    testing::ScriptedPlatform platform;
    frmSkelvo window(doc, platform);
    window.show();
    QApplication::processEvents();

    const long before = vtt::bench::statusKib("VmRSS");
    const bool reset = resetPeak();
    platform.answerFile(QString::fromStdString(path), TexFilterIndex);
    window.mnuOpen_Click();
    QApplication::processEvents();
    const long peak = vtt::bench::statusKib("VmHWM");
    std::remove(path.c_str());

    if (doc.area() != std::size_t(side) * side || !platform.messages.empty()) {
        std::fprintf(stderr, "the open command did not load the file\n");
        return 1;
    }
    const double mib = 1024.0 * 1024.0;
    const double added = (peak - before) * 1024.0;
    const double budget = static_cast<double>(decoded + fileBytes) + 16 * mib;
    std::printf("image %dx%d type 18: file %.1f MiB, decoded %.1f MiB, budget %.1f MiB\n", side, side,
                fileBytes / mib, decoded / mib, budget / mib);
    std::printf("resident before open %.1f MiB, peak during open %.1f MiB%s\n", before / 1024.0, peak / 1024.0,
                reset ? "" : " (peak could not be reset: includes start-up)");
    std::printf("open added %.1f MiB: %s the budget by %.1f MiB\n", added / mib,
                added <= budget ? "within" : "OVER", (added <= budget ? budget - added : added - budget) / mib);
    return 0;
}
