// Rules of the file-open dialog that picks an image file.
#pragma once

#include <QString>
#include <QStringList>

namespace vu {

// The dialog's five filter entries, in order, as "name (patterns)"; the first is in force when
// the dialog opens.
QStringList imageFileFilters();
}  // namespace vu
