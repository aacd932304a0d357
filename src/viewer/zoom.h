// The viewer's magnification rules: the window sizes of each step, the screen-filling step and
// the caption. Lengths are in twips; window sizes include the allowances for frame and title bar.
#pragma once

#include <QSizeF>
#include <QString>

namespace vu::zoom {

inline constexpr double WidthAllowance = 70;  // the window frame's width
inline constexpr double HeightAllowance = 120;  // the frame and the title bar
inline constexpr double Step = 0.5;

// The window size that shows a picture of natural size `picture` magnified by `zoom`.
QSizeF windowSize(QSizeF picture, double zoom);
// The client area of a window of size `window`: the window less the allowances.
QSizeF clientSize(QSizeF window);
// The window width the next "+" step would give, in single precision as it is compared with
// the work area.
float nextWidth(double pictureWidth, double zoom);
// The magnification in its shortest decimal form: 1, 1.5, 2, 12.5.
QString zoomText(double zoom);
// The caption after a key: "sea.jpg( x 1.5)".
QString caption(const QString& name, double zoom);

// What the viewer shows: its magnification, its window size, whether the natural-size picture
// is on top, and the rectangle (at the client origin) the magnified picture is stretched to.
struct ViewState {
    double zoom = 1.0;
    QSizeF window;
    bool naturalShown = true;  // Picture1 visible
    bool magnifiedSet = false;  // Image1 holds the picture
    QSizeF magnified;  // Image1's width and height
    bool operator==(const ViewState&) const = default;
};

// Just opened: natural size.
ViewState opened(QSizeF picture);
// "+": the next step, or the whole work area when the next step's width would reach the work
// area's width (the magnification then stays). Only the width is compared.
ViewState plus(ViewState s, QSizeF picture, QSizeF workArea);
// "-": one step back while magnified; at magnification 1 the natural-size picture comes back on
// top, the window and the magnified picture unchanged.
ViewState minus(ViewState s, QSizeF picture);

}  // namespace vu::zoom
