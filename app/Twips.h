#pragma once

#include <QRect>
#include <QtMath>

// The window is laid out in twips (1/1440 inch). At 96 dots per inch fifteen
// of them make a pixel; Qt's high-DPI scaling takes care of other screens.
namespace twips {

constexpr double PerPixel = 15.0;

inline int px(int twips)
{
    return qRound(twips / PerPixel);
}
inline QRect rect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

} // namespace twips
