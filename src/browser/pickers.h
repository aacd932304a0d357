// Rules of the file-open dialog that picks an image file.
#pragma once

#include <QString>
#include <QStringList>

namespace vu {

// The dialog's five filter entries, in order, as "name (patterns)"; the first is in force when
// the dialog opens.
QStringList imageFileFilters();
// The folder of a chosen file, with its final separator: "/srv/img/sub/a.gif" gives
// "/srv/img/sub/" and "/cat.jpg" gives "/". A name without any separator gives its first two
// characters.
QString folderWithSeparatorOf(const QString& file);

}  // namespace vu
