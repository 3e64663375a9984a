// Shows the real main window, opens a sample file through it as if the user
// had picked it in the open dialog, and saves a picture of the window.
//
//     vtt-screenshot <file.tex> <out.png>

#include "document/ImageDocument.h"
#include "platform/Platform.h"
#include "shell/frmSkelvo.h"

#include <QApplication>
#include <QMap>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace {

// Answers the open dialog with one file; any message is a failure.
class SampleFilePlatform : public vtt::Platform {
public:
    explicit SampleFilePlatform(QString path) : path_(std::move(path)) {}

    std::optional<QString> choosePaletteFile(QWidget*, bool) override { return std::nullopt; }
    std::optional<std::int32_t> pickColour(QWidget*, std::int32_t) override { return std::nullopt; }
    vtt::SaveAnswer askSaveChanges(QWidget*, const QString&) override { return vtt::SaveAnswer::Cancel; }
    bool askYesNo(QWidget*, const QString&) override { return false; }
    // Kept in memory: a screenshot run leaves the user's settings alone.
    QVariant setting(const QString& key) const override { return settings_.value(key); }
    void setSetting(const QString& key, const QVariant& value) override { settings_.insert(key, value); }
    void messageBox(QWidget*, const QString& text, vtt::MessageStyle, const QString&) override
    {
        std::fprintf(stderr, "vtt-screenshot: the tool said: %s\n", qPrintable(text));
        failed = true;
    }
    void endProgram() override { QCoreApplication::exit(0); }

    bool failed = false;

protected:
    std::optional<vtt::FileChoice> runFileDialog(QWidget*, bool save, const vtt::FileChoice&) override
    {
        if (save)
            return std::nullopt;
        return vtt::FileChoice{path_, vtt::TexFilterIndex};
    }

private:
    QString path_;
    QMap<QString, QVariant> settings_;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: vtt-screenshot <file.tex> <out.png>\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    const QString sample = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);

    vtt::ImageDocument document;
    SampleFilePlatform platform(sample);
    vtt::frmSkelvo window(document, platform);
    window.show();

    int status = 1;
    // Give the window time to be mapped and painted once before grabbing.
    QTimer::singleShot(500, &window, [&] {
        window.mnuOpen_Click();
        QTimer::singleShot(300, &window, [&] {
            if (platform.failed || document.PixelCount == 0) {
                std::fprintf(stderr, "vtt-screenshot: %s was not loaded\n", qPrintable(sample));
            } else if (!window.grab().save(out, "PNG")) {
                std::fprintf(stderr, "vtt-screenshot: cannot write %s\n", qPrintable(out));
            } else {
                status = 0;
            }
            QCoreApplication::exit(status);
        });
    });
    QApplication::exec();
    return status;
}
