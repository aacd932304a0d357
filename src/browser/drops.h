// The three drop boxes beside the thumbnail grid: what each asks and where it shows its target.
#pragma once

#include "engine/fileengine.h"
#include "engine/journal.h"
#include "shell/vumodule.h"
#include "widgets/picturebox.h"
#include "widgets/thumbnailgrid.h"

#include <QFrame>
#include <QObject>
#include <QPixmap>
#include <QString>

#include <array>
#include <functional>

namespace vu {

enum DropBoxIndex { CopyBox = 0, MoveBox = 1, DeleteBox = 2 };

struct DropBoxInfo {
    QString title;  // of the confirmation
    QString confirmation;  // its text
    QPixmap (*picture)(int size);  // draws the box's picture
    int panel;  // status panel showing the target (0: none)
    QString failureTitle;  // of the box telling that a drop failed
};
const DropBoxInfo& dropBox(int index);
// The sizes the boxes' pictures and the drag's picture are drawn at.
inline constexpr int DropBoxPictureSize = 64;
inline constexpr int DragPictureSize = 32;

// What a drop asks the user while its file is worked on.
struct DropQuestions {
    // A different file of the same name is in the target folder: true to replace it.
    std::function<bool(const QString& existing)> mayReplace;
    // Deleting into the trash, the file's volume has none: true to delete it for good.
    std::function<bool(const QString& file)> mayDeleteForGood;
};
// The work of a drop on box `index`, once the user has confirmed it: copies or moves `source`
// into the folder `target`, or deletes it (`mode`: for good, or into the trash), and records
// what was done in `journal` for 元に戻す.
engine::Outcome dropFile(Files& files, Clock& clock, engine::Journal& journal, int index, const QString& source,
    const QString& target, engine::DeleteMode mode, const DropQuestions& ask);

// The text of the box telling that the drop on box `index` failed for `file`, and why. A move
// whose copy was made but whose original had to stay says so.
QString dropFailureText(int index, bool copyMade, const QString& file, const QString& reason);
// The text of the box telling that a copy or move of `file` led to the file itself and did nothing.
QString sameFileText(int index, const QString& file);

// The frame holding the three boxes, each named imgBox(i) and showing its picture, built into
// `parent`; the boxes in `boxes`.
QFrame* buildDropBoxes(QWidget* parent, std::array<PictureBox*, 3>* boxes);

// The drop boxes' side of a thumbnail drag: only the grid's thumbnails are taken. The window is
// told of a thumbnail entering (state 0), leaving (1) or moving over (2) a box, and of a drop,
// the latter once the drag has finished: a drop asks its questions in message boxes.
class DropTargets : public QObject {
public:
    struct Handlers {
        std::function<void(int box, QObject* source, QPoint at, int state)> dragOver;
        std::function<void(int box, QObject* source, QPoint at)> dropped;
    };
    DropTargets(const std::array<PictureBox*, 3>& boxes, const ThumbnailGrid& grid, Handlers handlers, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<PictureBox*, 3> boxes_;
    const ThumbnailGrid& grid_;
    Handlers handlers_;
};

// What a drop works with besides its box and its file: the window asking the questions, the
// boxes' target folders (a box without one asks for it first), the files the drop worked on
// (kept for the window), and the status panels that show the targets.
struct DropSession {
    VuModule& module;
    QWidget* window;
    QString& copyPath;
    QString& movePath;
    QString& srcFile;
    QString& dstFile;
    std::function<void(int panel, const QString& text)> setPanel;
};
// A drop of `source` on box `index`, from the confirmation to the report of a failure. One trap
// over the whole drop: a step that fails ends it with its error, and the user is told which file
// failed and why. `*done` tells whether the file was copied, moved or deleted (the page then
// shows the folder as it is now).
FsStatus runDrop(const DropSession& session, int index, const QString& source, bool* done);

}  // namespace vu
