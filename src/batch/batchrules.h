// Rules of the batch window that need no widget: the image types and their patterns, the time
// stamps and names given to copies, the names of renamed files, the log lines, the placements
// and the set of names already taken in a target folder.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTime>

#include <array>

namespace vu::batch {

// ---- image types ----

// The items of the type drop-down, in order.
const std::array<QString, 5>& typeNameTable();
// The file-list pattern a type selects; "all" for an unknown type.
QString patternForType(const QString& typeName);

// ---- time stamps and target names ----

enum class StampForm {
    Copy,  // minutes and seconds read as one number, without leading zeros; nothing for 00:00
    Move,  // minutes and seconds as four digits
};
// The stamp of a time of day (14:05:07 gives "507" for a copy and "0507" for a move).
QString timeStamp(const QTime& time, StampForm form);
// The name with the stamp put before its last four characters (its dot and extension):
// "a.jpg" with "507" gives "a507.jpg".
QString stampedName(const QString& name, const QString& stamp);
// A further form of a name that is taken: "a507.jpg" with n = 2 gives "a507(2).jpg".
QString numberedName(const QString& name, int n);

// The names present in a target folder, compared without regard to letter case (a folder on a
// case-blind file system such as a memory card holds only one of "A.JPG" and "a.jpg"). Checks
// cost the same whatever the number of names.
class TakenNames {
public:
    void add(const QString& name) { keys_.insert(key(name)); }
    bool contains(const QString& name) const { return keys_.contains(key(name)); }
    qsizetype size() const { return keys_.size(); }
    // `candidate` when it is free, otherwise the first of its numbered forms that is.
    QString firstFree(const QString& candidate) const;

private:
    static QString key(const QString& name) { return name.toCaseFolded(); }
    QSet<QString> keys_;
};

// ---- rename ----

// The running number of file `index`: its decimal digits, and nothing at all for 0.
QString renameNumber(int index);
// The new name of the file at `index`: prefix, "_", the running number, and the last four
// characters of the old name.
QString renamedName(const QString& prefix, int index, const QString& oldName);

// A name for a file of a rename batch that must step aside for a moment: "x_1.jpg" with n = 3
// gives "x_1~3.jpg" (the extension stays, so the file stays listed should the run be cut short).
QString asideName(const QString& name, int n);

enum class PrefixCheck {
    Cancelled,  // the dialog's cancel marker
    Empty,
    Unsafe,  // would lead files out of their folder, hide them, or hold control characters
    Usable,
};
inline const QString CancelMarker = QStringLiteral("Err");
PrefixCheck checkPrefix(const QString& prefix);

// ---- log ----

// The most lines the log store keeps; beyond it the oldest lines make room for new ones.
inline constexpr int MaxLogLines = 32767;

enum class LogKind { Copy, Move, Delete, Rename };
// A line for a file done: "　[複写]　" + source + "　から　" + target, and so on.
QString logLine(LogKind kind, const QString& source, const QString& target = QString());
// A line for a file that failed, with the reason: "　[複写失敗]　" + source + "　から　" + target
// + "　（" + reason + "）". A delete line has no target.
QString failureLine(LogKind kind, const QString& source, const QString& target, const QString& reason);
// The line for the source of a move that was kept because its copy is not known to be safe.
QString keptSourceLine(const QString& source, const QString& reason);
// The text of the box that ends a run in which some files failed.
QString failureSummary(LogKind kind, int failures);

// ---- placement (twips) ----

inline constexpr double WideScreenAbove = 15359;

struct ConvPlacement {
    int left = 0, top = 0;
};
ConvPlacement convPlacement(double workAreaWidthTwips);

struct LogPlacement {
    int left = 0, top = 0;
    double listWidth = 0, listHeight = 0;
};
LogPlacement logPlacement(double workAreaWidthTwips);

}  // namespace vu::batch
