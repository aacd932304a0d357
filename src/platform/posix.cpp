#include "posix.h"

#include <QFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/sysmacros.h>

namespace vu::posix {

FileIdentity identityOf(const struct stat& st)
{
    FileIdentity id{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
        qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    id.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

int renameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // The file system cannot rename exclusively: a hard link is exclusive too.
    if (::link(from, to) == 0) {
        ::unlink(from);
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    struct stat st;
    if (::lstat(to, &st) == 0)
        return EEXIST;
    return ::rename(from, to) == 0 ? 0 : errno;
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

bool makeFolders(const QByteArray& path, mode_t mode)
{
    if (::mkdir(path.constData(), mode) == 0)
        return true;
    struct stat st;
    if (errno == EEXIST) {
        if (::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT || path == "/" || path.isEmpty())
        return false;
    if (!makeFolders(parentOf(path), mode))
        return false;
    if (::mkdir(path.constData(), mode) == 0)
        return true;
    // Someone else may have made it meanwhile.
    return errno == EEXIST && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QByteArray dataHome()
{
    return xdgHome("XDG_DATA_HOME", "/.local/share");
}

QByteArray xdgHome(const char* variable, const char* underHome)
{
    const QByteArray xdg = qgetenv(variable);
    if (xdg.startsWith('/'))
        return xdg;
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        const struct passwd* pw = ::getpwuid(::geteuid());
        home = pw && pw->pw_dir ? QByteArray(pw->pw_dir) : QByteArray("/");
    }
    return (home == "/" ? QByteArray() : home) + underHome;
}

std::optional<MountOf> mountOf(const QByteArray& path)
{
    struct statx sx;
    if (::statx(AT_FDCWD, path.constData(), 0, STATX_BASIC_STATS | STATX_MNT_ID, &sx) != 0)
        return std::nullopt;
    MountOf m;
    m.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    if (sx.stx_mask & STATX_MNT_ID)
        m.mount = sx.stx_mnt_id;
    return m;
}

// ---- the program's temporary files ----

namespace temporaries {
namespace {

// A fixed table, so that a signal handler can walk it: no allocation, no lock.
struct Slot {
    std::atomic<int> state{0};  // 0 free, 1 being filled or emptied, 2 holds a path
    char path[PATH_MAX];
};
std::array<Slot, 64> noted;

void removeNoted()
{
    for (Slot& s : noted) {
        if (s.state.load() == 2)
            ::unlink(s.path);
    }
}

extern "C" void onEndingSignal(int sig)
{
    const int saved = errno;
    removeNoted();
    // Then the signal does what it would have done without us: end the program.
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(sig, &dfl, nullptr);
    ::raise(sig);
    errno = saved;
}

extern "C" void atProgramExit()
{
    removeNoted();
}

bool isBase36(const QByteArray& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
    });
}

// The files that some process holds open, among `wanted` (device and inode).
QSet<QPair<quint64, quint64>> heldOpen(const QSet<QPair<quint64, quint64>>& wanted)
{
    QSet<QPair<quint64, quint64>> held;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return wanted;  // cannot tell: count them all as held
    while (const dirent* p = ::readdir(proc)) {
        if (p->d_name[0] < '1' || p->d_name[0] > '9')
            continue;
        const QByteArray fdFolder = QByteArray("/proc/") + p->d_name + "/fd";
        DIR* fds = ::opendir(fdFolder.constData());
        if (!fds)
            continue;  // gone meanwhile, or another user's
        while (const dirent* f = ::readdir(fds)) {
            if (f->d_name[0] == '.')
                continue;
            struct stat st;
            const QByteArray link = fdFolder + '/' + f->d_name;
            if (::stat(link.constData(), &st) == 0) {
                const QPair<quint64, quint64> key(quint64(st.st_dev), quint64(st.st_ino));
                if (wanted.contains(key))
                    held.insert(key);
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return held;
}

}  // namespace

QByteArray nameIn(const QByteArray& folder, const QByteArray& base)
{
    QByteArray name = folder;
    if (!name.endsWith('/'))
        name += '/';
    return name + ".vutara-" + base.left(40) + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36)
        + ".tmp";
}

bool isOurs(const QByteArray& name)
{
    if (!name.startsWith(".vutara-") || !name.endsWith(".tmp") || name.size() < 14)
        return false;
    const QByteArray core = name.mid(8, name.size() - 12);
    const qsizetype dot = core.lastIndexOf('.');
    return dot >= 0 && isBase36(core.mid(dot + 1));
}

void note(const QByteArray& path)
{
    if (path.size() >= PATH_MAX)
        return;
    for (Slot& s : noted) {
        int free = 0;
        if (s.state.compare_exchange_strong(free, 1)) {
            std::memcpy(s.path, path.constData(), size_t(path.size()) + 1);
            s.state.store(2);
            return;
        }
    }
}

void forget(const QByteArray& path)
{
    for (Slot& s : noted) {
        int held = 2;
        if (std::strcmp(s.path, path.constData()) == 0 && s.state.compare_exchange_strong(held, 1)) {
            s.path[0] = 0;
            s.state.store(0);
            return;
        }
    }
}

void removeAtEnd()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int sig : {SIGTERM, SIGINT}) {
            // A signal the program was told to ignore stays ignored.
            struct sigaction old = {};
            if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL)
                continue;
            struct sigaction act = {};
            act.sa_handler = onEndingSignal;
            sigemptyset(&act.sa_mask);
            ::sigaction(sig, &act, nullptr);
        }
        std::atexit(atProgramExit);
    });
}

void sweepLeftovers(const QByteArray& folder)
{
    static QMutex mutex;
    static QSet<QByteArray> swept;
    {
        QMutexLocker lock(&mutex);
        if (swept.contains(folder))
            return;
        swept.insert(folder);
    }
    Fd dirFd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.valid())
        return;
    DIR* dir = ::fdopendir(::dup(dirFd.get()));
    if (!dir)
        return;
    constexpr time_t Day = 24 * 60 * 60;
    const time_t before = ::time(nullptr) - Day;
    QList<QByteArray> names;
    QSet<QPair<quint64, quint64>> candidates;
    while (const dirent* d = ::readdir(dir)) {
        const QByteArray name(d->d_name);
        if (!isOurs(name))
            continue;
        struct stat st;
        // Only the program's own files, by this user, left long enough to be surely abandoned.
        if (::fstatat(dirFd.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)
            || st.st_uid != ::geteuid() || st.st_mtime >= before)
            continue;
        names << name;
        candidates.insert({quint64(st.st_dev), quint64(st.st_ino)});
    }
    ::closedir(dir);
    if (names.isEmpty())
        return;
    const QSet<QPair<quint64, quint64>> held = heldOpen(candidates);
    for (const QByteArray& name : names) {
        struct stat st;
        if (::fstatat(dirFd.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
            && !held.contains({quint64(st.st_dev), quint64(st.st_ino)}) && st.st_mtime < before)
            ::unlinkat(dirFd.get(), name.constData(), 0);
    }
}

}  // namespace temporaries

}  // namespace vu::posix
