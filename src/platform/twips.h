// Lengths in twips, the unit of every window layout: 15 twips are one logical pixel.
#pragma once

#include <QRect>

#include <cmath>

namespace vu::twips {

inline constexpr double PerPixel = 15.0;

inline int toPx(double twips)
{
    return int(std::lround(twips / PerPixel));
}
inline double fromPx(int px)
{
    return px * PerPixel;
}
// A rectangle given as left, top, width, height in twips.
inline QRect rect(double left, double top, double width, double height)
{
    return QRect(toPx(left), toPx(top), toPx(width), toPx(height));
}

}  // namespace vu::twips
