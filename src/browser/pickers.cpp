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

}  // namespace vu
