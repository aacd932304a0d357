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
};
const DropBoxInfo& dropBox(int index);

}  // namespace vu
