#include "document/ImageDocument.h"
#include "files/FileCommands.h"
#include "platform/QtPlatform.h"
#include "shell/frmSkelvo.h"

#include <QApplication>
#include <QFile>

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <optional>
#include <string>
#include <thread>

namespace {

// Without a display the toolkit would abort with a cryptic error; say what
// to do instead.
bool displayAvailable()
{
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv)
{
    // Answered before the toolkit starts, so that packaging checks and
    // scripts can ask without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("vellicor-texture-tool " VTT_VERSION);
        return 0;
    }
    if (!displayAvailable()) {
        // Named as it was started: from the build folder or installed.
        std::fprintf(stderr,
                     "Vellicor Texture Tool needs a graphical display, and none was found (DISPLAY is not set).\n"
                     "To run it under a virtual X server, install Debian's xvfb and start it with:\n"
                     "    xvfb-run -a %s\n",
                     argv[0]);
        return 2;
    }
    // Most of the time to the first picture is the toolkit starting, and
    // reading the file needs none of it: "vellicor-texture-tool FILE", as a
    // desktop starts it for a chosen file, is read and decoded on its own
    // thread meanwhile, and the font configuration, which the window's first
    // text needs, is loaded on another. Only a lone argument that is no
    // option is read early: toolkit options would change which one is FILE.
    const std::string named = argc == 2 && argv[1][0] != '-' ? argv[1] : "";
    std::optional<std::future<vtt::ChosenFile>> early;
    if (!named.empty())
        early = std::async(std::launch::async, [named] { return vtt::readChosenFile(named, 0); });
    std::thread fonts([] { FcInit(); });

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellicor Texture Tool"));

    vtt::ImageDocument document;
    vtt::QtPlatform platform;
    fonts.join();
    // The window's pictures are PNG files in its resources, which the
    // toolkit decodes itself; but first it asks every image plugin installed
    // whether it reads PNG, loading each with its libraries (TIFF, WebP,
    // MNG, JPEG...) before the first paint, for nothing. Without plugin
    // folders while the window is built it does not ask; they come back for
    // the dialogs.
    const QStringList pluginFolders = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    vtt::frmSkelvo window(document, platform);
    QCoreApplication::setLibraryPaths(pluginFolders);
    vtt::openAtWorkingSize(&window, platform);
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (early && arguments.size() == 2 && QFile::encodeName(arguments.at(1)).toStdString() == named) {
        vtt::ChosenFile chosen = early->get();
        window.showOpened(arguments.at(1), chosen.format, std::move(chosen.read));
    }
    else if (arguments.size() > 1)
        window.openNamed(arguments.at(1));
    return QApplication::exec();
}
