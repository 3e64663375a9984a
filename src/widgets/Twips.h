#pragma once

#include <QRect>

namespace vtt {

// Window layouts are designed in twips; 15 twips make one pixel at 96 dpi.
// Qt scales the resulting logical pixels on denser screens.
constexpr int twips(int value) { return (value * 2 + 15) / 30; }

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

} // namespace vtt
