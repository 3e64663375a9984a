#include "shell/WindowCommands.h"

#include "view/PictureArea.h"

namespace vtt {

// The View menu, after File: zoom, the channel shown and the mip level.
// Its keys are plain keys of the picture: typing in the header boxes never
// triggers them.
CommandMenu viewMenu(PictureArea* pic, std::function<void(int step)> stepMipLevel)
{
    const auto channel = [pic](const char* name, const char* caption, Qt::Key key, ChannelMode mode) {
        return CommandItem{name, caption, [pic, mode] { pic->setChannelMode(mode); }, {key}, true, true,
                           mode == pic->channelMode()};
    };
    return {"mnuView",
            "&View",
            {{"mnuZoomIn", "Zoom &In", [pic] { pic->zoomIn(); }, {Qt::Key_Plus, Qt::Key_Equal}, true},
             {"mnuZoomOut", "Zoom &Out", [pic] { pic->zoomOut(); }, {Qt::Key_Minus}, true},
             {"mnuFit", "&Fit", [pic] { pic->fitToArea(); }, {Qt::Key_F}, true},
             {"mnuActualSize", "&Actual Size", [pic] { pic->actualSize(); }, {Qt::Key_1}, true},
             {"mnuViewLine", "-", {}},
             channel("mnuColour", "&Colour", Qt::Key_C, ChannelMode::Colour),
             channel("mnuCheckerboard", "Colour over C&heckerboard", Qt::Key_K, ChannelMode::Checkerboard),
             channel("mnuRed", "&Red", Qt::Key_R, ChannelMode::Red),
             channel("mnuGreen", "&Green", Qt::Key_G, ChannelMode::Green),
             channel("mnuBlue", "&Blue", Qt::Key_B, ChannelMode::Blue),
             channel("mnuAlpha", "A&lpha", Qt::Key_A, ChannelMode::Alpha),
             {"mnuViewLine2", "-", {}},
             {"mnuNextMip", "&Next Mip Level", [stepMipLevel] { stepMipLevel(1); }, {Qt::Key_PageDown}, true},
             {"mnuPreviousMip", "&Previous Mip Level", [stepMipLevel] { stepMipLevel(-1); }, {Qt::Key_PageUp}, true}},
            "mnuImage"};
}

} // namespace vtt
