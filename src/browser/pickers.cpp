#include "pickers.h"

namespace vu {

QStringList imageFileFilters()
{
    return {
        QStringLiteral("ｲﾒｰｼﾞ(all) (*.gif *.jpg *.bmp *.ico)"),
        QStringLiteral("ｲﾒｰｼﾞ(bmp) (*.bmp)"),
        QStringLiteral("ｲﾒｰｼﾞ(jpg) (*.jpg)"),
        QStringLiteral("ｲﾒｰｼﾞ(gif) (*.gif)"),
        QStringLiteral("ｲﾒｰｼﾞ(ico) (*.ico)"),
    };
}

QString folderWithSeparatorOf(const QString& file)
{
    // The root's separator is the first character on this system, so the search reaches it.
    const qsizetype cut = file.lastIndexOf(u'/');
    return cut >= 0 ? file.left(cut + 1) : file.left(2);
}

}  // namespace vu
