// The three drop boxes beside the thumbnail grid: what each asks and where it shows its target.
#pragma once

#include "engine/fileengine.h"
#include "engine/journal.h"

#include <QPixmap>
#include <QString>

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

}  // namespace vu
