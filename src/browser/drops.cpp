#include "drops.h"

#include <algorithm>
#include <array>

namespace vu {

const DropBoxInfo& dropBox(int index)
{
    static const std::array<DropBoxInfo, 3> boxes = {{
        {QStringLiteral("コピー"), QStringLiteral("コピーを行います。よろしいですか？"),
            QStringLiteral(":/vutara/copybox.ico"), 5, QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ："), QStringLiteral("コピーエラー")},
        {QStringLiteral("移動"), QStringLiteral("移動を行います。よろしいですか？"),
            QStringLiteral(":/vutara/movebox.ico"), 6, QStringLiteral("移動ﾌｫﾙﾀﾞ："), QStringLiteral("移動エラー")},
        {QStringLiteral("削除"), QStringLiteral("削除を行います。よろしいですか？"),
            QStringLiteral(":/vutara/wastebin.ico"), 0, QString(), QStringLiteral("削除エラー")},
    }};
    return boxes.at(std::clamp(index, 0, 2));
}

QString dropFailureText(int index, bool copyMade, const QString& file, const QString& reason)
{
    QString what;
    if (index == MoveBox && copyMade)
        what = QStringLiteral("移動先にコピーしましたが、元のファイルは残しました。");
    else if (index == MoveBox)
        what = QStringLiteral("ファイルを移動できませんでした。");
    else if (index == DeleteBox)
        what = QStringLiteral("ファイルを削除できませんでした。");
    else
        what = QStringLiteral("ファイルをコピーできませんでした。");
    return what + u'\n' + file + QStringLiteral("\n（") + reason + u'）';
}

QString sameFileText(int index, const QString& file)
{
    return (index == MoveBox ? QStringLiteral("移動先") : QStringLiteral("コピー先"))
        + QStringLiteral("は元のファイルそのものです。何もしませんでした。\n") + file;
}

}  // namespace vu
