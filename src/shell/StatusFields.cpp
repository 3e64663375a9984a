#include "shell/StatusFields.h"

#include "files/DocumentSession.h"
#include "shell/WindowLayout.h"
#include "view/PictureArea.h"
#include "widgets/LineView.h"

#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QStatusBar>

#include <array>
#include <cmath>

namespace vtt {

namespace {

QString modeName(const ImageDocument& doc)
{
    if (doc.isPaletted())
        return QStringLiteral("8-bit palette");
    return doc.BitDepth() == 24 ? QStringLiteral("24-bit RGB") : QStringLiteral("32-bit RGBA");
}

QString channelName(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Colour: return QStringLiteral("Colour");
    case ChannelMode::Checkerboard: return QStringLiteral("Colour over checkerboard");
    case ChannelMode::Red: return QStringLiteral("Red");
    case ChannelMode::Green: return QStringLiteral("Green");
    case ChannelMode::Blue: return QStringLiteral("Blue");
    case ChannelMode::Alpha: return QStringLiteral("Alpha");
    }
    return {};
}

// Whole percents, but a tenth below 10 % (a fitted 32767-pixel side is
// under 1 %).
QString percent(double scale)
{
    const double p = scale * 100;
    return p >= 10 || p == std::round(p) ? QString::number(std::lround(p)) : QString::number(p, 'f', 1);
}

} // namespace

StatusTexts statusTexts(const ImageDocument& shown, double scale, ChannelMode mode, int level, int levels,
                        const QString& pixel)
{
    StatusTexts texts;
    if (!shown.empty())
        texts.image = QStringLiteral("%1 \u00d7 %2, %3").arg(shown.ImageWidth()).arg(shown.ImageHeight()).arg(modeName(shown));
    texts.zoom = QStringLiteral("Zoom %1%").arg(percent(scale));
    texts.channel = QStringLiteral("Channel: ") + channelName(mode);
    texts.level = levels > 1 ? QStringLiteral("Mip level %1 (0\u2013%2)").arg(level).arg(levels - 1)
                             : QStringLiteral("Mip level %1").arg(level);
    texts.pixel = pixel;
    return texts;
}

void installStatusBar(QMainWindow* window, const MainControls& controls, const DocumentSession& session)
{
    QStatusBar* bar = window->statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    constexpr std::array<std::pair<const char*, const char*>, 5> Fields{{
        {"staImage", "Image size and mode"},
        {"staZoom", "Zoom"},
        {"staChannel", "Channel shown"},
        {"staLevel", "Mip level"},
        {"staPixel", "Pixel under the pointer"},
    }};
    std::array<QLabel*, Fields.size()> labels{};
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QString::fromLatin1(Fields[i].first));
        label->setAccessibleName(QString::fromLatin1(Fields[i].second));
        // Fields may be cut, but never widen the window past its design.
        label->setMinimumWidth(1);
        bar->addPermanentWidget(label);
        labels[i] = label;
    }
    PictureArea* pic = controls.picImage;
    const auto refresh = [=, &session] {
        const StatusTexts t = statusTexts(session.shownLevel(), pic->view().scale(), pic->channelMode(),
                                          session.mipLevel(), session.mipLevels(), pic->pointerText());
        const std::array<const QString*, Fields.size()> texts{&t.image, &t.zoom, &t.channel, &t.level, &t.pixel};
        for (std::size_t i = 0; i < Fields.size(); ++i)
            if (labels[i]->text() != *texts[i])
                labels[i]->setText(*texts[i]);
    };
    QObject::connect(pic, &PictureArea::viewChanged, bar, refresh);
    QObject::connect(pic, &PictureArea::pointerMoved, bar, refresh);
    refresh();

    QObject::connect(controls.txtHexDump, &LineView::copied, bar, [bar](qulonglong copied, qulonglong selected) {
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        if (copied < selected)
            bar->showMessage(QStringLiteral("Copied the first %1 of %2 lines: a copy takes at most %3 lines.")
                                 .arg(english.toString(copied), english.toString(selected),
                                      english.toString(qulonglong(LineView::CopyLimit))),
                             15000);
    });
}

} // namespace vtt
