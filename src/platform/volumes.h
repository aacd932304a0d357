// Volume service: the mounted volumes that play the part of drives, and each volume's current
// folder (the last folder shown on it during this run; its root at first). A volume that stops
// answering (a hung network share) is still listed, by its mount point, but counts as not ready
// and is not asked again until the user chooses it.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>

#include <functional>

namespace vu {

struct Volume {
    QString root;  // mount point, e.g. "/" or "/media/usb"
    QString label;  // volume name, may be empty
    bool ready = true;  // answered and was ready when asked; false while it does not answer
};

class Volumes {
public:
    virtual ~Volumes() = default;
    virtual QList<Volume> list() = 0;
    // Whether the volume can be used now (mounted, answering, readable root). The volume is
    // asked on a thread of its own and waited for at most blocking::VolumeDeadline; one that
    // did not answer in time, now or when last asked, counts as not ready without being asked
    // again until askAgain().
    bool isReady(const QString& root);
    // The user chose this volume: the next isReady() asks it again, even if it did not answer
    // before.
    void askAgain(const QString& root);
    // Whether `path` (absolute) lies on a volume that did not answer when last asked: work there
    // fails at once instead of waiting for it again.
    bool silentAt(const QString& path);

    // The volume holding `path`: the listed root that is the longest prefix of it; empty when
    // `path` is not an absolute path.
    QString rootOf(const QString& path);
    QString currentFolder(const QString& root) const;
    void setCurrentFolder(const QString& folder);

protected:
    // How to ask the volume at `root` whether it is ready: a call that may never return on a
    // volume that stopped answering, so it runs on a thread of its own and must hold all it
    // needs (it may outlive this object).
    virtual std::function<bool()> readiness(const QString& root) = 0;
    void setSilent(const QString& root, bool silent);
    bool isSilent(const QString& root) const;

private:
    QHash<QString, QString> current_;
    mutable QMutex silentMutex_;
    QSet<QString> silent_;  // roots that did not answer in time
};

// One line of the kernel's table of mounts (/proc/self/mountinfo).
struct MountEntry {
    int id = 0;  // the mount's number, unique while it is mounted
    QString mountPoint;
    QString fsType;
    QString source;  // the device or what stands for it ("/dev/sda1", "server:/export", "bindfs")
    QString fsRoot;  // the folder of its file system the mount shows ("/" unless a bind mount)
    bool operator==(const MountEntry&) const = default;
};
// The table's lines: fields split at blanks, the escapes the kernel writes for blanks,
// tabs, newlines and backslashes in names (\040, \011, \012, \134) decoded. Lines that do not
// have the table's form are left out.
QList<MountEntry> parseMountTable(const QByteArray& text);
// The kernel's table of mounts as it stands, read without asking any volume.
QList<MountEntry> readMountTable();
// The mount point of the mount that holds `path` (absolute, taken as written: links are not
// followed): the longest one that is `path` or a folder above it.
QString mountPointOf(const QString& path, const QList<MountEntry>& table);
// The mounts that are volumes a user keeps files on, in the table's order: pseudo and system
// file systems left out (isUserVolume), and of several mounts on one mount point only the last
// one, which hides the others.
QList<MountEntry> userMounts(const QList<MountEntry>& table);
// A volume label as the folder /dev/disk/by-label names it, its escapes (\x20 for a blank, ...)
// decoded.
QString decodeLabel(const QByteArray& name);

// The real volumes: the kernel's table of mounts, read without asking any volume, the labels
// from /dev/disk/by-label, and each volume asked once, when first listed, whether it is ready.
class QtVolumes final : public Volumes {
public:
    QList<Volume> list() override;

protected:
    std::function<bool()> readiness(const QString& root) override;

private:
    // What a volume answered when first listed, for as long as it stays mounted.
    struct Known {
        int mountId = 0;
        bool folder = true;  // its root is a folder (containers mount single files too)
        bool ready = true;
    };
    QMutex mutex_;
    QHash<QString, Known> known_;
};

// Whether a mount of this file-system type at this place is a real volume a user keeps files on.
bool isUserVolume(const QString& fsType, const QString& root);

}  // namespace vu
