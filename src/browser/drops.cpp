#include "drops.h"
#include "mainbars.h"

#include "batch/batchrules.h"
#include "platform/paths.h"
#include "shell/artwork.h"
#include "shell/naming.h"
#include "shell/worktexts.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>

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

QFrame* buildDropBoxes(QWidget* parent, std::array<PictureBox*, 3>* boxes)
{
    auto* frame = new QFrame(parent);
    nameWidget(frame, QStringLiteral("Frame2"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    for (int i = 0; i < 3; ++i) {
        PictureBox* box = (*boxes)[i] = new PictureBox(PictureBox::Mode::Stretch, frame);
        nameWidget(box, QStringLiteral("imgBox(%1)").arg(i));
        box->setAccessibleDescription(dropBox(i).title);
        box->setToolTip(dropBox(i).title);
        box->setBorder(true);
        box->setPicture(dropBox(i).picture(DropBoxPictureSize).toImage());
    }
    return frame;
}

DropTargets::DropTargets(
    const std::array<PictureBox*, 3>& boxes, const ThumbnailGrid& grid, Handlers handlers, QObject* parent)
    : QObject(parent)
    , boxes_(boxes)
    , grid_(grid)
    , handlers_(std::move(handlers))
{
    for (PictureBox* box : boxes_) {
        box->setAcceptDrops(true);
        box->installEventFilter(this);
    }
}

bool DropTargets::eventFilter(QObject* watched, QEvent* event)
{
    const int box = int(std::find(boxes_.begin(), boxes_.end(), watched) - boxes_.begin());
    if (box >= 3)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        if (!e->mimeData()->hasFormat(ThumbnailGrid::Mime) || !e->source())
            return false;
        handlers_.dragOver(box, e->source(), e->position().toPoint(), event->type() == QEvent::DragEnter ? 0 : 2);
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return true;
    }
    case QEvent::DragLeave:
        if (grid_.drag())
            handlers_.dragOver(box, grid_.drag()->source(), QPoint(), 1);
        return false;
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        if (!e->mimeData()->hasFormat(ThumbnailGrid::Mime) || !e->source())
            return false;
        e->setDropAction(Qt::CopyAction);
        e->accept();
        // The drop asks questions in message boxes: let the drag finish first.
        const QPointer<QObject> source = e->source();
        const QPoint at = e->position().toPoint();
        QMetaObject::invokeMethod(
            this, [this, box, source, at] { handlers_.dropped(box, source, at); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}

FsStatus runDrop(const DropSession& s, int index, const QString& source, bool* done)
{
    *done = false;
    Dialogs& dialogs = s.module.dialogs();
    const DropBoxInfo& box = dropBox(index);
    if (dialogs.message(s.window, box.title, box.confirmation, MsgIcon::Exclamation, MsgButtons::OkCancel)
        != MsgAnswer::Ok)
        return FsStatus::success();
    s.srcFile = source;
    QString target;
    if (index != DeleteBox) {
        QString& boxTarget = index == CopyBox ? s.copyPath : s.movePath;
        if (boxTarget.isEmpty())
            boxTarget = s.module.FolderDsp(s.window, 13);
        s.setPanel(box.panel, panelLabel(box.panel) + boxTarget);
        if (boxTarget.isEmpty())
            return FsStatus::success();  // no folder chosen: nothing to copy to
        target = boxTarget;
        s.dstFile = paths::join(target, paths::fileName(s.srcFile));
    }
    DropQuestions ask;
    ask.mayReplace = [&](const QString& existing) {
        return dialogs.message(s.window, box.title,
                   QStringLiteral("同じ名前のファイルがあります。置き換えますか？\n") + existing, MsgIcon::Exclamation,
                   MsgButtons::YesNo)
            == MsgAnswer::Yes;
    };
    ask.mayDeleteForGood = [&](const QString& file) {
        return dialogs.message(s.window, box.title, batch::deleteForGoodQuestion(file, false), MsgIcon::Exclamation,
                   MsgButtons::YesNo)
            == MsgAnswer::Yes;
    };
    const engine::Outcome outcome = dropFile(
        s.module.files(), s.module.clock(), s.module.journal(), index, s.srcFile, target, s.module.deleteMode(), ask);
    if (outcome.done()) {
        *done = true;
        return FsStatus::success();
    }
    if (outcome.failed()) {
        // The page stays as it is: the files it shows are where they were.
        dialogs.message(s.window, box.failureTitle,
            dropFailureText(index, outcome.step == engine::Step::RemoveSource, s.srcFile, outcome.reason),
            MsgIcon::Error, MsgButtons::Ok);
        return FsStatus::failure(outcome.error, outcome.from + QStringLiteral(": ") + outcome.reason);
    }
    // Skipped: the target was the file itself (say so), or the user kept the file there.
    if (outcome.error == err::SameFile)
        dialogs.message(s.window, box.title, sameFileText(index, s.srcFile), MsgIcon::Information, MsgButtons::Ok);
    return FsStatus::success();
}

}  // namespace vu
