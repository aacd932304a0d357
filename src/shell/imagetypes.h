// The picture types the program reads (BMP, JPEG, GIF and icon files), and how each window names
// them: the main window's type buttons and status panel 3, the batch window's drop-down, the slide
// show and the file dialog all read this one table.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace vu {

struct ImageType {
    QString caption;  // the type buttons' and the drop-down's text: "all", "bmp", ...
    QString pattern;  // the file lists' ";"-separated wildcards, letter case ignored
    QString panelText;  // status panel 3: "ALL", "BMP", ...
    QString filterName;  // the file dialog's entry: "ｲﾒｰｼﾞ(all)", ...
};

// "all" first, then bmp, jpg, gif and ico: the order of the type buttons and of the drop-down.
const std::array<ImageType, 5>& imageTypes();
// The type at `index` of that order; "all" for any index outside it (nothing chosen).
const ImageType& imageType(int index);
// Every picture the program reads.
inline const QString& allPicturesPattern()
{
    return imageTypes()[0].pattern;
}
// The file dialog's filters, as "name (patterns)", in the table's order.
QStringList imageFileFilters();

}  // namespace vu
