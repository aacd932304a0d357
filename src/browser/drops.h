// The three drop boxes beside the thumbnail grid: what each asks and where it shows its target.
#pragma once

#include <QString>

namespace vu {

enum DropBoxIndex { CopyBox = 0, MoveBox = 1, DeleteBox = 2 };

struct DropBoxInfo {
    QString title;  // of the confirmation
    QString confirmation;  // its text
    QString resource;  // the box's picture
    int panel;  // status panel showing the target (0: none)
    QString panelLabel;
    QString failureTitle;  // of the box telling that a drop failed
};
const DropBoxInfo& dropBox(int index);

// The text of the box telling that the drop on box `index` failed for `file`, and why. A move
// whose copy was made but whose original had to stay says so.
QString dropFailureText(int index, bool copyMade, const QString& file, const QString& reason);
// The text of the box telling that a copy or move of `file` led to the file itself and did nothing.
QString sameFileText(int index, const QString& file);

}  // namespace vu
