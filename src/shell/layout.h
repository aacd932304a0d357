// The main window's two fixed layouts, chosen by the work-area width: the large one for work
// areas wider than 15359 twips (1024 pixels and more), the small one otherwise. All values are
// twips, as 32-bit floats.
#pragma once

#include <array>

namespace vu {

struct TwipRect {
    float left = 0, top = 0, width = 0, height = 0;
    bool hasHeight = true;  // false where the layout leaves the height as it is
};

struct MainLayout {
    bool large = false;
    TwipRect DrvList, DirList, FileList, PrgBar1, Frame2;
    std::array<TwipRect, 6> OkBtn;
    std::array<TwipRect, 30> Img, ImgName;
    std::array<TwipRect, 3> imgBox;  // inside Frame2
    std::array<float, 6> panelWidth{};
};

inline constexpr double LargeLayoutAbove = 15359;  // twips
inline constexpr int CellsPerPage = 30;

bool isLargeLayout(double workAreaWidthTwips);
MainLayout mainLayout(double workAreaWidthTwips);

}  // namespace vu
