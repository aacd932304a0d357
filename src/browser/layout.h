// The main window's two fixed layouts, chosen by the work-area width: the large one for work
// areas wider than 15359 twips (1024 pixels and more), the small one otherwise. All values are
// twips, as 32-bit floats.
#pragma once

#include "widgets/thumbnailgrid.h"

#include <QWidget>

#include <array>

namespace vu {

struct TwipRect {
    float left = 0, top = 0, width = 0, height = 0;
    bool hasHeight = true;  // false where the layout leaves the height as it is
};

struct MainLayout {
    bool large = false;
    // The factor the tops and heights of the grid and the list column carry (1: as in the table).
    float verticalScale = 1;
    TwipRect DrvList, DirList, PrgBar1, Frame2;
    std::array<TwipRect, 6> OkBtn;
    std::array<TwipRect, CellsPerPage> Img, ImgName;
    std::array<TwipRect, 3> imgBox;  // inside Frame2
    std::array<float, 6> panelWidth{};
};

// Gives `w` the rectangle `r`; a row without a height leaves the control its own.
void placeAt(QWidget* w, const TwipRect& r);

bool isLargeLayout(double workAreaWidthTwips);
MainLayout mainLayout(double workAreaWidthTwips);

// The height a layout takes below its top edge: down to the bottom of its lowest control on the
// screen (the last row of names, the progress bar), with a small margin above what follows.
double tableHeight(const MainLayout& m);
// The layout fitted into an area `heightTwips` high. Where the table needs more room, the tops
// and heights of the grid and of the list column beside it are scaled by one factor, so that the
// rows, the lists and the buttons keep their proportions; the lefts, the widths and the drop
// boxes stay as in the table. Where the table fits it is returned unchanged.
MainLayout fitHeight(MainLayout m, double heightTwips);
// The status panels' widths in a bar `widthTwips` wide: the table's, except where their sum is
// wider than the bar; then the last panel gives way (down to nothing). The last panel also takes
// whatever room the table leaves over.
std::array<float, 6> fitPanels(const MainLayout& m, double widthTwips);

}  // namespace vu
