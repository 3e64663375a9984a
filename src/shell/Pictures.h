#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

#include <vector>

namespace vtt {

// The pictures of the toolbar, in the order the image list holds them. The
// paint pot belongs to the set but no button shows it.
enum class ToolbarPicture { New, Open, Save, Flip, Mirror, Rotate, PaintPot, Info };
constexpr int ToolbarPictureCount = 8;

// `ImageList1`: the eight 16 x 16 toolbar pictures, with pure green (red 0,
// green 255, blue 0) made transparent.
class ImageList {
public:
    ImageList();
    int count() const { return static_cast<int>(pictures_.size()); }
    const QPixmap& picture(ToolbarPicture which) const { return pictures_.at(static_cast<std::size_t>(which)); }

private:
    std::vector<QPixmap> pictures_;
};

// The 32 x 32 car wheel rim that every window but the rotate dialog carries.
QIcon programIcon();
// The rotate dialog's own 16 x 16 icon.
QIcon rotateIcon();

} // namespace vtt
