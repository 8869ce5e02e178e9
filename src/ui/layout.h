#pragma once

#include <QRect>

namespace vidfolio::ui {

// Positions and sizes are given in twips, 1/1440 inch: 15 twips make one
// pixel at 96 dots per inch. Qt scales the pixels on denser screens.
constexpr int pixelsFromTwips(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect rectFromTwips(int left, int top, int width, int height)
{
    return QRect(pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width),
                 pixelsFromTwips(height));
}

// Every control of the window, in twips from the top left of the client area.
namespace layout {
inline constexpr QRect clientArea = rectFromTwips(0, 0, 4830, 4710);
// The thumbnail boxes, side by side from the left, 1590 twips apart.
constexpr QRect sitePic(int box)
{
    return rectFromTwips(30 + box * 1590, 2970, 1575, 1335);
}
inline constexpr QRect txtUser = rectFromTwips(1680, 120, 2100, 285);
inline constexpr QRect stat = rectFromTwips(0, 4455, 4830, 255);
inline constexpr QRect treeVids = rectFromTwips(120, 620, 4545, 2235);
inline constexpr QRect pb = rectFromTwips(30, 4320, 4755, 105);
// A horizontal line from (120, 480) to (4680, 480), one pixel thick.
inline constexpr QRect line1 = rectFromTwips(120, 480, 4560, 15);
inline constexpr QRect cmdGo = rectFromTwips(3840, 240, 855, 195);
inline constexpr QRect lbl[2] = {rectFromTwips(120, 240, 1815, 195),
                                 rectFromTwips(3840, 240, 855, 195)};
inline constexpr QRect shp = rectFromTwips(0, 0, 4815, 4455);
} // namespace layout

} // namespace vidfolio::ui
