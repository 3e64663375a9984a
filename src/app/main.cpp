#include "document/ImageDocument.h"
#include "platform/QtPlatform.h"
#include "shell/frmSkelvo.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

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
    if (!displayAvailable()) {
        std::fputs("Vellicor Texture Tool needs a graphical display, and none was found (DISPLAY is not set).\n"
                   "To run it under a virtual X server, install Debian's xvfb and start it with:\n"
                   "    xvfb-run -a build/src/vellicor-texture-tool\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellicor Texture Tool"));

    vtt::ImageDocument document;
    vtt::QtPlatform platform;
    vtt::frmSkelvo window(document, platform);
    window.show();
    // "vellicor-texture-tool FILE", as a desktop starts it for a chosen file.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.openNamed(arguments.at(1));
    return QApplication::exec();
}
