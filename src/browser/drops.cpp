#include "drops.h"
#include "mainbars.h"

#include "shell/artwork.h"
#include "shell/worktexts.h"

#include <algorithm>
#include <array>

namespace vu {

const DropBoxInfo& dropBox(int index)
{
    static const std::array<DropBoxInfo, 3> boxes = {{
        {QStringLiteral("コピー"), QStringLiteral("コピーを行います。よろしいですか？"), copyBoxPicture,
            CopyFolderPanel, errorTitle(engine::ActionKind::Copy)},
        {QStringLiteral("移動"), QStringLiteral("移動を行います。よろしいですか？"), moveBoxPicture, MoveFolderPanel,
            errorTitle(engine::ActionKind::Move)},
        {QStringLiteral("削除"), QStringLiteral("削除を行います。よろしいですか？"), wasteBinPicture, 0,
            errorTitle(engine::ActionKind::Delete)},
    }};
    return boxes.at(std::clamp(index, 0, 2));
}

engine::Outcome dropFile(Files& files, Clock& clock, engine::Journal& journal, int index, const QString& source,
    const QString& target, engine::DeleteMode mode, const DropQuestions& ask)
{
    static constexpr engine::ActionKind kinds[3]
        = {engine::ActionKind::Copy, engine::ActionKind::Move, engine::ActionKind::Delete};
    engine::FileEngine worker(files, clock);
    engine::Recording record(&journal, kinds[std::clamp(index, 0, 2)], true);
    engine::Listener listener;
    listener.outcome = [&](const engine::Outcome& o) { record.add(o); };
    listener.mayReplace = ask.mayReplace;
    listener.mayDeleteForGood = ask.mayDeleteForGood;
    if (index == DeleteBox)
        return worker.deleteOne(source, mode, listener);
    return worker.transferOne(
        index == MoveBox ? engine::Transfer::Move : engine::Transfer::Copy, source, target, listener);
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
