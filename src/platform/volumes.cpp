#include "volumes.h"
#include "blocking.h"
#include "paths.h"

#include <QMutexLocker>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace vu {
namespace {

// What a volume answered when asked whether it is ready.
struct Probe {
    bool folder = false;  // its root is a folder
    bool ready = false;  // its file system answers and its root can be listed
};

// Asks the volume itself: a call that a volume which stopped answering holds for ever.
Probe probeVolume(const QByteArray& root)
{
    Probe p;
    struct stat st;
    if (::stat(root.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return p;
    p.folder = true;
    struct statfs fs;
    if (::statfs(root.constData(), &fs) != 0)
        return p;
    DIR* d = ::opendir(root.constData());
    if (!d)
        return p;
    p.ready = ::readdir(d) != nullptr;  // at least "." in a folder that can be listed
    ::closedir(d);
    return p;
}

QByteArray readWhole(const char* path)
{
    QByteArray out;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return out;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buffer, n);
    }
    ::close(fd);
    return out;
}

QByteArray canonical(const QByteArray& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : QByteArray();
}

// The labels of the devices that have one, by the device's own path: the links in
// /dev/disk/by-label, which the system keeps without ever reading a volume.
QHash<QByteArray, QString> labelsByDevice()
{
    QHash<QByteArray, QString> out;
    const char* folder = "/dev/disk/by-label";
    DIR* d = ::opendir(folder);
    if (!d)
        return out;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray device = canonical(QByteArray(folder) + '/' + name);
        if (!device.isEmpty())
            out.insert(device, decodeLabel(name));
    }
    ::closedir(d);
    return out;
}

// The kernel writes blanks, tabs, newlines and backslashes in a mount table's names as
// "\" and three octal digits.
QByteArray unescapeOctal(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(), [](char d) { return d >= '0' && d <= '7'; })) {
                out.append(char(digits.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

}  // namespace

// ---- Volumes ----

bool Volumes::isReady(const QString& root)
{
    if (isSilent(root))
        return false;
    const std::optional<bool> answer = blocking::call<bool>(blocking::VolumeDeadline, readiness(root));
    if (!answer) {
        setSilent(root, true);
        return false;
    }
    return *answer;
}

void Volumes::askAgain(const QString& root)
{
    setSilent(root, false);
}

bool Volumes::silentAt(const QString& path)
{
    // The silent roots themselves, not the list: this is asked before every piece of work, and
    // the list is read from the system.
    QMutexLocker lock(&silentMutex_);
    return std::any_of(silent_.cbegin(), silent_.cend(),
        [&](const QString& root) { return path == root || path.startsWith(paths::withSeparator(root)); });
}

void Volumes::setSilent(const QString& root, bool silent)
{
    QMutexLocker lock(&silentMutex_);
    if (silent)
        silent_.insert(root);
    else
        silent_.remove(root);
}

bool Volumes::isSilent(const QString& root) const
{
    QMutexLocker lock(&silentMutex_);
    return silent_.contains(root);
}

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

// ---- the mount table ----

QList<MountEntry> parseMountTable(const QByteArray& text)
{
    QList<MountEntry> out;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        // id parent major:minor root mount-point options [optional fields...] - type source options
        const qsizetype dash = f.indexOf(QByteArray("-"), 6);
        if (dash < 0 || dash + 2 >= f.size())
            continue;
        MountEntry e;
        bool ok = false;
        e.id = f[0].toInt(&ok);
        if (!ok || !paths::fromNative(unescapeOctal(f[4]).constData(), &e.mountPoint)
            || !e.mountPoint.startsWith(paths::Separator))
            continue;
        paths::fromNative(unescapeOctal(f[3]).constData(), &e.fsRoot);
        e.fsType = QString::fromLatin1(unescapeOctal(f[dash + 1]));
        paths::fromNative(unescapeOctal(f[dash + 2]).constData(), &e.source);
        out.push_back(e);
    }
    return out;
}

QList<MountEntry> readMountTable()
{
    return parseMountTable(readWhole("/proc/self/mountinfo"));
}

QString mountPointOf(const QString& path, const QList<MountEntry>& table)
{
    QString best;
    for (const MountEntry& m : table) {
        const bool under = m.mountPoint == QStringLiteral("/") || path == m.mountPoint
            || path.startsWith(paths::withSeparator(m.mountPoint));
        if (under && m.mountPoint.size() > best.size())
            best = m.mountPoint;
    }
    return best;
}

QList<MountEntry> userMounts(const QList<MountEntry>& table)
{
    QList<MountEntry> out;
    QSet<QString> seen;
    // From the last line up: a later mount on the same point hides the earlier ones.
    for (auto it = table.crbegin(); it != table.crend(); ++it) {
        if (!isUserVolume(it->fsType, it->mountPoint) || seen.contains(it->mountPoint))
            continue;
        seen.insert(it->mountPoint);
        out.push_front(*it);
    }
    return out;
}

QString decodeLabel(const QByteArray& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            bool ok = false;
            const int value = name.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                bytes.append(char(value));
                i += 3;
                continue;
            }
        }
        bytes.append(name[i]);
    }
    return QString::fromUtf8(bytes);
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

// ---- QtVolumes ----

QList<Volume> QtVolumes::list()
{
    const QList<MountEntry> mounts = userMounts(readMountTable());

    // Volumes not asked yet (new since the last look) are asked all at once, each on a thread of
    // its own: a share that stopped answering costs one deadline, once, and is remembered.
    QList<MountEntry> fresh;
    std::vector<std::function<Probe()>> asks;
    {
        QMutexLocker lock(&mutex_);
        for (const MountEntry& m : mounts) {
            const auto it = known_.constFind(m.mountPoint);
            QByteArray native;
            if ((it != known_.constEnd() && it->mountId == m.id) || !paths::toNative(m.mountPoint, &native))
                continue;
            fresh << m;
            asks.push_back([native] { return probeVolume(native); });
        }
    }
    if (!fresh.isEmpty()) {
        const std::vector<std::optional<Probe>> answers
            = blocking::callEach<Probe>(blocking::VolumeDeadline, std::move(asks));
        QMutexLocker lock(&mutex_);
        for (qsizetype i = 0; i < fresh.size(); ++i) {
            const std::optional<Probe>& a = answers[size_t(i)];
            // One that did not answer is listed by its mount point, not ready.
            known_.insert(fresh[i].mountPoint, {fresh[i].id, a ? a->folder : true, a && a->ready});
            setSilent(fresh[i].mountPoint, !a);
        }
    }

    const QHash<QByteArray, QString> labels = labelsByDevice();
    QList<Volume> out;
    {
        QMutexLocker lock(&mutex_);
        for (const MountEntry& m : mounts) {
            const Known k = known_.value(m.mountPoint);
            // Containers bind single files (such as /etc/hosts) as mounts; only folders are volumes.
            if (!k.folder)
                continue;
            QString label;
            QByteArray source;
            if (m.source.startsWith(QStringLiteral("/dev/")) && paths::toNative(m.source, &source))
                label = labels.value(canonical(source));
            out.push_back({m.mountPoint, label, k.ready});
        }
    }
    for (Volume& v : out)
        v.ready = v.ready && !isSilent(v.root);
    if (std::none_of(out.begin(), out.end(), [](const Volume& v) { return v.root == QStringLiteral("/"); }))
        out.push_back({QStringLiteral("/"), QString(), true});
    std::sort(out.begin(), out.end(), [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return out;
}

std::function<bool()> QtVolumes::readiness(const QString& root)
{
    QByteArray native;
    if (!paths::toNative(root, &native))
        return [] { return false; };
    return [native] {
        const Probe p = probeVolume(native);
        return p.folder && p.ready;
    };
}

}  // namespace vu
