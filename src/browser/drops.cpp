#include "drops.h"

#include <algorithm>
#include <array>

namespace vu {

const DropBoxInfo& dropBox(int index)
{
    static const std::array<DropBoxInfo, 3> boxes = {{
        {QStringLiteral("コピー"), QStringLiteral("コピーを行います。よろしいですか？"),
            QStringLiteral(":/vutara/copybox.ico"), 5, QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ：")},
        {QStringLiteral("移動"), QStringLiteral("移動を行います。よろしいですか？"),
            QStringLiteral(":/vutara/movebox.ico"), 6, QStringLiteral("移動ﾌｫﾙﾀﾞ：")},
        {QStringLiteral("削除"), QStringLiteral("削除を行います。よろしいですか？"),
            QStringLiteral(":/vutara/wastebin.ico"), 0, QString()},
    }};
    return boxes.at(std::clamp(index, 0, 2));
}

}  // namespace vu
