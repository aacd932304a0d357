// The names the engine gives files: the time stamps and numbers of copies whose names are taken,
// the new names of a rename batch and the temporary names of files stepping aside, and the set of
// names already taken in a target folder.
#pragma once

#include <QSet>
#include <QString>
#include <QTime>

namespace vu::engine {

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

}  // namespace vu::engine
