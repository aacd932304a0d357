// Volume service: the mounted volumes that play the part of drives, and each volume's current
// folder (the last folder shown on it during this run; its root at first).
#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace vu {

struct Volume {
    QString root;  // mount point, e.g. "/" or "/media/usb"
    QString label;  // volume name, may be empty
    bool ready = true;
};

class Volumes {
public:
    virtual ~Volumes() = default;
    virtual QList<Volume> list() = 0;
    // Whether the volume can be used now (mounted, readable root).
    virtual bool isReady(const QString& root) = 0;

    // The volume holding `path`: the listed root that is the longest prefix of it; empty when
    // `path` is not an absolute path.
    QString rootOf(const QString& path);
    QString currentFolder(const QString& root) const;
    void setCurrentFolder(const QString& folder);

private:
    QHash<QString, QString> current_;
};

class QtVolumes final : public Volumes {
public:
    QList<Volume> list() override;
    bool isReady(const QString& root) override;
};

// Whether a mount of this file-system type at this place is a real volume a user keeps files on.
bool isUserVolume(const QString& fsType, const QString& root);

}  // namespace vu
