// The program's own pictures, drawn rather than shipped. The windows draw them at run time, and
// tools/art/render_art.cpp writes the same emblem to the package's icon set, so each picture is
// drawn in one place only.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace vu {

// The emblem shown by the splash and version windows and used as the window icon.
QPixmap emblem(int size);
QIcon programIcon();

// The drop boxes' pictures: three coloured sheets (copy), three grey sheets (move), a waste bin.
QPixmap copyBoxPicture(int size);
QPixmap moveBoxPicture(int size);
QPixmap wasteBinPicture(int size);
// The drag icon shown while a thumbnail is over a drop box: a sheet going down into a tray.
QPixmap dropPicture(int size);
// The batch window's rename (a sheet, a name tag and a pencil) and log (a page of lines) buttons.
QPixmap renamePicture(int size);
QPixmap logPicture(int size);

}  // namespace vu
