// Small POSIX helpers shared by the platform's sources; not for use outside platform/.
#pragma once

#include "files.h"

#include <QByteArray>

#include <optional>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace vu::posix {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1)
        : fd_(fd)
    {
    }
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void release() { fd_ = -1; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

FileIdentity identityOf(const struct stat& st);

// Renames `from` onto `to`, failing with EEXIST when `to` exists: 0 or the errno value.
int renameNoReplace(const char* from, const char* to);

// Writes all of `data`, going on after short writes and interruptions; false with errno set.
bool writeAll(int fd, const char* data, size_t size);
inline bool writeAll(int fd, const QByteArray& data)
{
    return writeAll(fd, data.constData(), size_t(data.size()));
}

// Makes `path` and any missing folder above it, each with `mode`; an existing folder (or a link
// to one) will do. False with errno set.
bool makeFolders(const QByteArray& path, mode_t mode);

// The folder above `path` ("/" above a name at the root).
QByteArray parentOf(const QByteArray& path);

// One of the user's base folders: $`variable` when it is absolute (relative values are ignored,
// as the XDG base-directory rules say), otherwise `underHome` in the home folder.
QByteArray xdgHome(const char* variable, const char* underHome);
// The user's data folder: $XDG_DATA_HOME, or ~/.local/share.
QByteArray dataHome();

// Which mount a folder or file lies on: its device and, where the system tells it, the mount's
// own number. Two names of one device can lie on different mounts (a bind mount), and no file
// can be renamed from one mount to another.
struct MountOf {
    dev_t device = 0;
    std::optional<quint64> mount;
    bool operator==(const MountOf&) const = default;
};
std::optional<MountOf> mountOf(const QByteArray& path);

// The program's named temporary files, for file systems that cannot make unnamed ones. Each is
// noted while it exists, so that SIGTERM, SIGINT or the end of the program removes it.
namespace temporaries {
// "folder/.vutara-<name>.<random>.tmp": a hidden name the file lists never show.
QByteArray nameIn(const QByteArray& folder, const QByteArray& base);
// Whether `name` (a name without folder) has the form of one of them.
bool isOurs(const QByteArray& name);
// Notes the temporary file `path` (until forget) to be removed should the program end.
void note(const QByteArray& path);
void forget(const QByteArray& path);
// Installs the handlers of SIGTERM and SIGINT and the program's exit hook, once.
void removeAtEnd();
// Removes the temporary files of this form that an earlier run left in `folder`: only those
// older than a day that no process holds open. Each folder is looked at once per run.
void sweepLeftovers(const QByteArray& folder);
}  // namespace temporaries

}  // namespace vu::posix
