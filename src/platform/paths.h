// Path rules shared by every window. A folder has no trailing separator except the root "/",
// which plays the part of a drive root. Also the service that finds the user's standard folders.
#pragma once

#include <QByteArray>
#include <QString>

namespace vu::paths {

inline constexpr QChar Separator = u'/';

bool endsWithSeparator(const QString& path);
// folder + name, inserting a separator only when the folder does not already end with one.
QString join(const QString& folder, const QString& name);
// Appends a separator unless the text already ends with one ("/" stays "/").
QString withSeparator(const QString& folder);
// Drops one trailing separator ("/" becomes the empty text, as a drive root "C:\" becomes "C:").
QString dropOneSeparator(const QString& path);
// The folder part of a full file name, without a trailing separator except for the root.
QString folderOf(const QString& filePath);
// The last component of a path.
QString fileName(const QString& path);
// Normalises a folder: absolute, no "." or "..", no trailing separator except the root.
QString cleanFolder(const QString& folder);
// The bytes to hand to the system for a path; false for texts no file can have (empty, or
// holding a NUL, which would silently cut the path short).
bool toNative(const QString& path, QByteArray* out);
// A name read from the system, or false when its bytes are not valid in the locale's encoding
// (such a name could not be handed back to the system unchanged).
bool fromNative(const char* bytes, QString* out);

}  // namespace vu::paths

namespace vu {

// The user's standard folders, where the folder chooser starts.
enum class Place { Home, Desktop, Applications, Documents, Fonts, Autostart, Trash, Templates };

class Places {
public:
    virtual ~Places() = default;
    // The folder of `place`; the home folder where this desktop has none or it does not exist.
    virtual QString folder(Place place) const = 0;
};

// The folders this desktop names (XDG user directories), looked up at each call.
class DesktopPlaces final : public Places {
public:
    QString folder(Place place) const override;
};

}  // namespace vu
