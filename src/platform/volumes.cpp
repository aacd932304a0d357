#include "volumes.h"
#include "paths.h"

#include <QStorageInfo>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

namespace vu {

QString Volumes::rootOf(const QString& path)
{
    if (!path.startsWith(paths::Separator))
        return QString();
    QString best;
    for (const Volume& v : list()) {
        const bool under
            = v.root == QStringLiteral("/") || path == v.root || path.startsWith(paths::withSeparator(v.root));
        if (under && v.root.size() > best.size())
            best = v.root;
    }
    return best.isEmpty() ? QStringLiteral("/") : best;
}

QString Volumes::currentFolder(const QString& root) const
{
    return current_.value(root, root);
}

void Volumes::setCurrentFolder(const QString& folder)
{
    const QString root = rootOf(folder);
    if (!root.isEmpty())
        current_.insert(root, folder);
}

bool isUserVolume(const QString& fsType, const QString& root)
{
    static const QStringList pseudo = {
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),
        QStringLiteral("devpts"),
        QStringLiteral("mqueue"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("securityfs"),
        QStringLiteral("pstore"),
        QStringLiteral("bpf"),
        QStringLiteral("autofs"),
        QStringLiteral("fusectl"),
        QStringLiteral("configfs"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("efivarfs"),
        QStringLiteral("nsfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("selinuxfs"),
    };
    if (pseudo.contains(fsType))
        return false;
    if (fsType == QStringLiteral("tmpfs")) {
        for (const char* system : {"/run", "/dev", "/sys", "/proc"}) {
            const QString s = QString::fromLatin1(system);
            if (root == s || root.startsWith(s + u'/'))
                return false;
        }
    }
    for (const char* system : {"/proc/", "/sys/", "/dev/"}) {
        if (root.startsWith(QString::fromLatin1(system)))
            return false;
    }
    return true;
}

QList<Volume> QtVolumes::list()
{
    QList<Volume> out;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        const QString root = info.rootPath();
        const QString type = QString::fromLatin1(info.fileSystemType());
        if (root.isEmpty() || !isUserVolume(type, root))
            continue;
        QByteArray native;
        struct stat st;
        // Containers bind single files (such as /etc/hosts) as mounts; only folders are volumes.
        if (!paths::toNative(root, &native) || ::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        if (std::any_of(out.begin(), out.end(), [&](const Volume& v) { return v.root == root; }))
            continue;
        out.push_back({root, info.name(), info.isReady()});
    }
    if (std::none_of(out.begin(), out.end(), [](const Volume& v) { return v.root == QStringLiteral("/"); }))
        out.push_back({QStringLiteral("/"), QString(), true});
    std::sort(out.begin(), out.end(), [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return out;
}

bool QtVolumes::isReady(const QString& root)
{
    QByteArray native;
    if (!paths::toNative(root, &native))
        return false;
    DIR* d = ::opendir(native.constData());
    if (!d)
        return false;
    ::closedir(d);
    return QStorageInfo(root).isReady();
}

}  // namespace vu
