// Time and memory of Ctrl+A, Ctrl+C in the hex dump of a 48 MiB file (a
// 3547 x 3547 type-18 TEX file) through the main window: how long the copy
// holds the window, the peak it reaches and what stays resident after it.
//
//   vtt_copy_peak [side]

#include "BenchFiles.h"

#include "shell/frmSkelvo.h"
#include "support/ScriptedPlatform.h"
#include "widgets/LineView.h"
#include "widgets/TabControl.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

} // namespace

int main(int argc, char** argv)
{
    using namespace vtt;
    const int side = argc > 1 ? std::atoi(argv[1]) : 3547;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    const auto bytes = bench::makeFile(bench::FileLayout::Tex18, side);
    const std::string path = bench::writeTempFile("vtt-copy-peak.tex", bytes);
    ImageDocument doc;
    testing::ScriptedPlatform platform;
    frmSkelvo window(doc, platform);
    window.show();
    platform.answerFile(QString::fromStdString(path), TexFilterIndex);
    window.mnuOpen_Click();
    std::remove(path.c_str());
    window.findChild<TabControl*>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
    auto* hex = window.findChild<LineView*>(QStringLiteral("txtHexDump"));
    hex->setFocus();
    QApplication::processEvents();

    QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"));
    QApplication::sendEvent(hex, &selectAll);
    const long before = vtt::bench::statusKib("VmRSS");
    resetPeak();
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock(); // busy machines stretch the wall time
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
    QApplication::sendEvent(hex, &copy);
    QApplication::processEvents();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const long peak = vtt::bench::statusKib("VmHWM");
    const long after = vtt::bench::statusKib("VmRSS");

    const double mib = 1024.0;
    std::printf("file %.1f MiB, %zu lines; copied %lld characters\n", bytes.size() / (1024.0 * 1024.0),
                window.hexDump().lineCount(), static_cast<long long>(QGuiApplication::clipboard()->text().size()));
    std::printf("copy took %.0f ms (%.0f ms of processor time); resident before %.1f MiB, peak %.1f MiB (+%.1f), after %.1f MiB (+%.1f)\n", ms,
                cpuMs, before / mib, peak / mib, (peak - before) / mib, after / mib, (after - before) / mib);
    return 0;
}
