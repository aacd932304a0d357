#include "layout.h"

#include "platform/twips.h"
#include "shell/twipsscreen.h"

#include <algorithm>

namespace vu {
namespace {

TwipRect r(double l, double t, double w, double h)
{
    return {float(l), float(t), float(w), float(h), true};
}
TwipRect noHeight(double l, double t, double w)
{
    return {float(l), float(t), float(w), 0, false};
}

}  // namespace

void placeAt(QWidget* w, const TwipRect& r)
{
    const int height = r.hasHeight ? twips::toPx(r.height) : w->sizeHint().height();
    w->setGeometry(twips::toPx(r.left), twips::toPx(r.top), twips::toPx(r.width), height);
}

bool isLargeLayout(double workAreaWidthTwips)
{
    return workAreaWidthTwips > LargeScreenAboveTwips;
}

MainLayout mainLayout(double workAreaWidthTwips)
{
    MainLayout m;
    m.large = isLargeLayout(workAreaWidthTwips);
    if (m.large) {
        m.DrvList = noHeight(130, 50, 2280);
        m.DirList = r(130, 720, 2280, 4000);
        m.OkBtn = {r(130, 4580, 2280, 265), r(130, 4850, 460, 265), r(580, 4850, 460, 265), r(1030, 4850, 460, 265),
            r(1480, 4850, 460, 265), r(1930, 4850, 480, 265)};
        m.PrgBar1 = r(130, 9700, 2280, 265);
        for (int k = 0; k < CellsPerPage; ++k) {
            const int row = k / 6, col = k % 6;
            m.Img[k] = r(2520 + col * 1920.0, 720 + row * 1800.0, 1800, 1350);
            m.ImgName[k] = r(2520 + col * 1920.0, 2040 + row * 1800.0, 1800, 270);
        }
        m.Frame2 = r(14080, 600, 1095, 3135);
        m.imgBox = {r(165, 240, 800, 800), r(165, 1200, 800, 800), r(165, 2160, 800, 800)};
        m.panelWidth = {1300, 1300, 1300, 4000, 4000, 4000};
    } else {
        m.DrvList = noHeight(130, 50, 1781.25);
        m.DirList = r(130, 620, 1781.25, 3125);
        m.OkBtn = {r(130, 3645, 1781.25, 207.03125), r(130, 3840, 359.375, 207.03125), r(480, 3840, 359.375, 207.03125),
            r(830, 3840, 359.375, 207.03125), r(1180, 3840, 359.375, 207.03125), r(1530, 3840, 383, 207.03125)};
        m.PrgBar1 = r(130, 7270, 1781.25, 207.03125);
        for (int k = 0; k < CellsPerPage; ++k) {
            const int row = k / 6, col = k % 6;
            m.Img[k] = r(2020 + col * 1500.0, 620 + row * 1406.25, 1406.25, 1054.6875);
            m.ImgName[k] = r(2020 + col * 1500.0, 1650 + row * 1406.25, 1406.25, 210.9375);
        }
        m.Frame2 = r(11000, 520, 855.46875, 3135 / 1.05);
        m.imgBox = {r(128.90625, 240, 625, 625), r(128.90625, 1200, 625, 625), r(128.90625, 2160, 625, 625)};
        m.panelWidth = {float(1300 / 1.1), float(1300 / 1.1), float(1300 / 1.03), float(4000 / 1.4), float(4000 / 1.4),
            float(4000 / 1.4)};
    }
    return m;
}

namespace {

// Room kept between the lowest control and the status bar.
constexpr double BottomMargin = 60;

double bottom(const TwipRect& r)
{
    return double(r.top) + (r.hasHeight ? double(r.height) : 0);
}

void scale(TwipRect& r, double factor)
{
    r.top = float(r.top * factor);
    r.height = float(r.height * factor);
}

}  // namespace

double tableHeight(const MainLayout& m)
{
    // The drop boxes stand high above.
    double lowest = std::max(bottom(m.PrgBar1), bottom(m.DirList));
    for (const TwipRect& r : m.OkBtn)
        lowest = std::max(lowest, bottom(r));
    for (int k = 0; k < CellsPerPage; ++k)
        lowest = std::max({lowest, bottom(m.Img[k]), bottom(m.ImgName[k])});
    return lowest + BottomMargin;
}

MainLayout fitHeight(MainLayout m, double heightTwips)
{
    const double needed = tableHeight(m);
    if (heightTwips >= needed || heightTwips <= 0)
        return m;
    // The margin below stays; everything above it shrinks.
    const double factor = std::max(0.0, heightTwips - BottomMargin) / (needed - BottomMargin);
    for (TwipRect* r : {&m.DrvList, &m.DirList, &m.PrgBar1})
        scale(*r, factor);
    for (TwipRect& r : m.OkBtn)
        scale(r, factor);
    for (int k = 0; k < CellsPerPage; ++k) {
        scale(m.Img[k], factor);
        scale(m.ImgName[k], factor);
    }
    m.verticalScale = float(factor);
    return m;
}

std::array<float, 6> fitPanels(const MainLayout& m, double widthTwips)
{
    std::array<float, 6> w = m.panelWidth;
    double firstFive = 0;
    for (int n = 0; n < 5; ++n)
        firstFive += w[n];
    if (firstFive + w[5] > widthTwips)
        w[5] = float(std::max(0.0, widthTwips - firstFive));
    return w;
}

}  // namespace vu
