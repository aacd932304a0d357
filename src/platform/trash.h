// The desktop's trash, laid out as the freedesktop.org trash standard has it, so that the
// desktop's file manager lists what the program deleted and can put it back. The file service
// moves files in and out through these helpers.
#pragma once

#include "files.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace vu {

// The home trash, where files of the mount holding the user's data folder go:
// $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
QString homeTrashFolder();

// The text of a trash's description of a file: its original place `path` (the bytes the
// system names it by: absolute, or relative to the top of the trash's volume) percent-encoded
// as in a URL, "/" kept, and the local time of the deletion, to the second.
QByteArray trashInfoText(const QByteArray& path, const QDateTime& deletedAt);

// What a trash's description of a file says: its original place (the bytes, decoded: absolute,
// or relative to the top of the trash's volume) and when it was deleted (local time).
struct TrashInfo {
    QByteArray path;
    QDateTime deletedAt;
    bool operator==(const TrashInfo&) const = default;
};
// Reads a description ("name.trashinfo"), as any program may have written it: nothing when it is
// not one (no "[Trash Info]" first, no place or no time, a key twice, a broken escape, a NUL).
std::optional<TrashInfo> parseTrashInfo(const QByteArray& text);

namespace trash {
// The file service's moveToTrash and restoreFromTrash (see Files).
FsStatus moveIn(const QString& path, TrashedFile* where);
FsStatus putBack(const TrashedFile& trashed, const QString& original, const FileIdentity& expected);
}  // namespace trash

}  // namespace vu
